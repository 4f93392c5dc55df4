#pragma once
// Turns reply data lines into records: the own record of "LOGON", the user lines of "LIST
// USERS" and "LIST CONTACTS", the presence lines of "SUBSCRIBE". No I/O: the request code and
// the fuzz targets feed them lines.

#include "protocol/contact_record.h"

#include <string_view>

namespace zep {

// The first data line of a "LOGON" reply (its "250-" prefix included). False, leaving `own`
// untouched, when it holds fewer than 15 fields. An unknown status or sub-status word gives
// the field's default: one odd word must not cost the user the logon.
bool ParseLogonLine(std::string_view line, ContactRecordUtf8& own);

// A "LIST ..." data line "Id:Name:Email". False for any other field count.
bool ParseUserLine(std::string_view line, ContactRecordUtf8& record);

// A "SUBSCRIBE" data line (its code prefix included) with the sixteen presence fields.
// `presence.email` is the key; the other presence fields are filled. False for any other
// field count. Unknown words give the field's default.
bool ParsePresenceLine(std::string_view line, ContactRecordUtf8& presence);

// Copies the presence fields (status through location) from `presence` into `record`.
void CopyPresence(const ContactRecordUtf8& presence, ContactRecordUtf8& record);

} // namespace zep
