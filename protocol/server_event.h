#pragma once
// One server event as UTF-16 lines (the event name first), reading its headers, recognising
// its name, and turning a "PRESENCE" event into the record fields it updates.

#include "protocol/contact_record.h"
#include "common/line_list.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zep {

struct ServerEvent
{
    std::vector<std::u16string> lines;
};

// Converts the extracted lines. A malformed UTF-8 sequence becomes U+FFFD: one bad byte must
// not cost the whole event (a message would be lost).
ServerEvent ServerEventFromLines(const LineList& lines);

enum class EventKind
{
    Unknown,
    Presence,
    SessionTimeout,
    Session,
    Message,
    Logoff,
    NewMail,
};

// The event name is the whole first line, compared without regard to case.
EventKind ServerEventKind(const ServerEvent& event);

// The value of the first line that begins with `name` and ": " (case-insensitive), cut to
// `bufferSize` - 1 units; empty when no line matches.
std::u16string HeaderValue(const ServerEvent& event, std::u16string_view name,
                           std::size_t bufferSize);

// The fields a "PRESENCE" event sets, in the UTF-16 record form. Unknown words give the
// field's default (status unavailable, the others none).
struct PresenceUpdate
{
    std::u16string email; // the key: empty means the event is ignored
    ContactRecord fields; // status through location
};
PresenceUpdate ReadPresence(const ServerEvent& event);

// Stores the presence fields (status through location) into a record; the rest stays.
void ApplyPresence(const PresenceUpdate& update, ContactRecord& record);

} // namespace zep
