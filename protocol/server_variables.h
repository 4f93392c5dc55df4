#pragma once
// The fourteen per-user preferences kept on the server, fetched with "GET VARIABLE" and written
// back with "SET VARIABLE".

#include "common/line_list.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace zep {

struct ServerVariables
{
    static constexpr std::size_t kCount = 14;
    // Wire names in the order they are sent.
    static constexpr std::array<const char*, kCount> kNames = {"WebmailIMAvailability",
                                                               "IMShowAway",
                                                               "IMAwayTime",
                                                               "WebmailIMEmailTransaction",
                                                               "WebmailIMSendOnEnter",
                                                               "IMOnlineShowEmail",
                                                               "IMOnlineShowCalendar",
                                                               "IMOnlineCalendarStatus",
                                                               "IMOnlineShowLocation",
                                                               "IMOfflineShowEmail",
                                                               "IMOfflineShowCalendar",
                                                               "IMOfflineCalendarStatus",
                                                               "IMShowOfflineContactMethod",
                                                               "IMOfflineContactMethod"};

    // UTF-8 values in the order of kNames; an absent name is empty.
    std::array<std::string, kCount> values;

    // The index of a name (case-insensitive); kCount when it is none of them.
    static std::size_t IndexOf(std::string_view name);
    // Null for an unknown name.
    std::string* Find(std::string_view name);

    bool operator==(const ServerVariables&) const = default;
};

// Fills every variable from reply lines: the first line that begins with the name
// (case-insensitive), a colon and a space gives the value.
void ParseServerVariables(const LineList& reply, ServerVariables& variables);

} // namespace zep
