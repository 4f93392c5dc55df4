#include "addin/native_host/mailbox.h"

namespace zep::nativehost {

namespace {

bool Space(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && Space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && Space(s.back()))
        s.remove_suffix(1);
    return s;
}

bool Usable(std::string_view address)
{
    const auto at = address.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == address.size())
        return false;
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || Space(c) || c == '"' || c == '<' || c == '>' || c == ',' ||
            c == '(' || c == ')')
            return false;
    }
    return true;
}

} // namespace

std::string MailboxAddress(std::string_view mailbox)
{
    // The first mailbox ends at a comma outside quotes and brackets; its address is inside
    // the last bracket pair outside quotes, or the mailbox itself when it has none.
    bool quoted = false;
    std::size_t open = std::string_view::npos;
    std::string_view address;
    bool bracketed = false;
    std::size_t i = 0;
    for (; i < mailbox.size(); ++i) {
        const char c = mailbox[i];
        if (quoted) {
            if (c == '\\') {
                if (++i == mailbox.size())
                    return {};
            } else if (c == '"') {
                quoted = false;
            }
            continue;
        }
        if (open != std::string_view::npos) {
            if (c == '>') {
                address = mailbox.substr(open + 1, i - open - 1);
                bracketed = true;
                open = std::string_view::npos;
            }
            continue;
        }
        if (c == '"')
            quoted = true;
        else if (c == '<')
            open = i;
        else if (c == ',')
            break;
    }
    if (quoted || open != std::string_view::npos)
        return {};
    if (!bracketed)
        address = mailbox.substr(0, i);
    address = Trim(address);
    return Usable(address) ? std::string(address) : std::string();
}

} // namespace zep::nativehost
