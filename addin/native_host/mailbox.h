// The address of a mailbox as Thunderbird shows an author or a contact: "a@b", "Name <a@b>",
// "\"Last, First\" <a@b>" or a list of them, of which the first counts.
#pragma once

#include <string>
#include <string_view>

namespace zep::nativehost {

// The first mailbox's address; empty when there is none usable (no "@", white space, quotes,
// angle brackets or control characters in it, or an unterminated quote or bracket).
std::string MailboxAddress(std::string_view mailbox);

} // namespace zep::nativehost
