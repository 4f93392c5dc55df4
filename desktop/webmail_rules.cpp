#include "desktop/webmail_rules.h"

#include "protocol/fields.h"
#include "protocol/webmail_token.h"

#include <arpa/inet.h>
#include <array>
#include <cctype>

namespace zep {
namespace {

bool IsIpv6Literal(std::string_view text)
{
    // Zone identifiers ("fe80::1%eth0") are refused: they would need their own escaping and
    // mean nothing to a browser on another interface.
    if (text.empty() || text.size() > 45)
        return false;
    in6_addr address{};
    return inet_pton(AF_INET6, std::string(text).c_str(), &address) == 1;
}

bool IsHostName(std::string_view text)
{
    if (text.empty() || text.size() > 253 || text.front() == '.' || text.front() == '-')
        return false;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!std::isalnum(byte) && c != '.' && c != '-' && c != '_')
            return false;
    }
    return true;
}

// The host as it goes into an address, or "" when it is no host.
std::string UrlHost(std::string_view host)
{
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return IsIpv6Literal(host.substr(1, host.size() - 2)) ? std::string(host) : std::string();
    if (host.find(':') != std::string_view::npos)
        return IsIpv6Literal(host) ? "[" + std::string(host) + "]" : std::string();
    return IsHostName(host) ? std::string(host) : std::string();
}

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

// An http or https address with a host, and nothing a browser or the appended query would
// misread: no spaces or control characters, no fragment.
bool IsWebAddress(std::string_view command)
{
    std::size_t rest = 0;
    if (StartsWithNoCase(command, "http://"))
        rest = 7;
    else if (StartsWithNoCase(command, "https://"))
        rest = 8;
    else
        return false;
    for (char c : command) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7f || c == '#')
            return false;
    }
    std::string_view authority = command.substr(rest);
    authority = authority.substr(0, authority.find_first_of("/?"));
    if (authority.find('@') != std::string_view::npos)
        return false; // a user part would only disguise the host
    std::string_view host = authority;
    if (!host.empty() && host.front() == '[') {
        const auto close = host.find(']');
        if (close == std::string_view::npos)
            return false;
        const std::string_view port = host.substr(close + 1);
        if (!port.empty() &&
            (port.front() != ':' || port.size() > 6 ||
             port.substr(1).find_first_not_of("0123456789") != std::string_view::npos))
            return false;
        host = host.substr(0, close + 1);
    } else if (const auto colon = host.find(':'); colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos)
            return false;
        host = host.substr(0, colon);
    }
    return !UrlHost(host).empty();
}

} // namespace

std::optional<WebmailCredentials> ChooseWebmailCredentials(const WebmailCredentialInput& input)
{
    if (input.loggedOn) {
        if (input.liveAddress.empty() || input.livePassword.empty())
            return std::nullopt;
        return WebmailCredentials{input.liveAddress, input.livePassword};
    }
    if (!input.savePassword || input.savedAddress.empty() || input.savedPassword.empty())
        return std::nullopt;
    return WebmailCredentials{input.savedAddress, input.savedPassword};
}

std::string WebmailLogonToken(const std::optional<WebmailCredentials>& credentials)
{
    if (!credentials)
        return {};
    std::string token;
    if (BuildWebmailToken(credentials->address, credentials->password, token) != ImResult::Ok)
        return {};
    return FormEncode(token);
}

ImResult BuildWebmailAddress(std::string_view server, std::string_view command,
                             std::string_view token, std::string& address)
{
    address.clear();
    const std::string parameters =
        (token.empty() ? std::string() : "applv=" + std::string(token) + "&") + "isMSVM=1";
    if (!command.empty()) {
        if (!IsWebAddress(command))
            return ImResult::BadArgument;
        // A "?" at the very start is no query part of a web address.
        const bool hasQuery = command.find('?', 1) != std::string_view::npos;
        address.append(command).append(hasQuery ? "&" : "?").append(parameters);
        return ImResult::Ok;
    }
    const std::string host = UrlHost(Trimmed(server));
    if (host.empty())
        return ImResult::BadArgument;
    address = "http://" + host + ":" + std::to_string(kWebmailPort) + "/logon.mml?" + parameters +
              "&interfacetype=pro";
    return ImResult::Ok;
}

bool WebmailTitleMatches(std::string_view title, std::string_view windowName)
{
    if (!windowName.empty())
        return title.substr(0, windowName.size()) == windowName;
    static constexpr std::array<std::string_view, 3> kTitles = {
        "ZEP WebMail Professional", "ZEP WebMail Express",
        "Corvane Messaging Services Configuration"};
    for (std::string_view known : kTitles)
        if (title.find(known) != std::string_view::npos)
            return true;
    return false;
}

} // namespace zep
