// Requests of the session itself: version, logon, server variables, keep-alive.

#include "protocol/reply_records.h"
#include "protocol/request_builder.h"
#include "protocol/requests.h"
#include "protocol/utf_text.h"
#include "transport/im_connection.h"

#include <mutex>

namespace zep {

namespace {

// The status line's text after its three-digit code, spaces trimmed at both ends.
std::string StatusText(const LineList& reply)
{
    std::string_view text = reply.Tail();
    text = text.size() > 3 ? text.substr(3) : std::string_view();
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace

ImResult ImVersion(ImConnection& conn, std::string& version)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    version.clear();
    std::string request;
    ImResult r = RequestBuilder("VERSION").Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    if (r == ImResult::Ok)
        version = StatusText(reply);
    return r;
}

ImResult ImLogon(ImConnection& conn, std::string_view email, std::string_view password,
                 ContactRecordUtf8& own)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    own = ContactRecordUtf8();
    std::string request;
    ImResult r = RequestBuilder("LOGON")
                     .Header("Email", email)
                     .Header("ClientType", "IM")
                     .Header("Logoff", "1")
                     .Finish(request);
    if (r != ImResult::Ok)
        return r;
    // The credentials answer the challenge that the logon provokes; the address is also the
    // realm until a challenge names one.
    conn.auth.userName = Utf8Prefix(email, 255);
    conn.auth.password = Utf8Prefix(password, 79);
    conn.auth.realm = conn.auth.userName;

    LineList reply;
    r = ExchangeRequest(conn, request, reply);
    if (r != ImResult::Ok)
        return r;
    if (reply.Size() > 1)
        ParseLogonLine(reply[0], own);
    conn.loggedOn = true;
    return ImResult::Ok;
}

ImResult ImGetVariable(ImConnection& conn, ServerVariables& variables)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::string request;
    ImResult r = RequestBuilder("GET VARIABLE").Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    if (r == ImResult::Ok)
        ParseServerVariables(reply, variables);
    return r;
}

ImResult ImSetVariable(ImConnection& conn, const ServerVariables& variables)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    RequestBuilder builder("SET VARIABLE");
    for (std::size_t i = 0; i < ServerVariables::kCount; ++i)
        builder.Header(ServerVariables::kNames[i], variables.values[i]);
    std::string request;
    ImResult r = builder.Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    return r;
}

ImResult ImKeepAlive(ImConnection& conn, std::uint32_t activity, long long& count)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    count = 0;
    std::string request;
    ImResult r =
        // The tick goes out as a signed 32-bit decimal: after 24.8 days of uptime it is negative.
        RequestBuilder("KA")
            .Header("Activity", static_cast<long long>(static_cast<std::int32_t>(activity)))
            .Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    if (r != ImResult::Ok)
        return r;
    std::string text = StatusText(reply);
    // Decimal up to the first non-digit; capped so that a long run cannot overflow.
    for (char c : text) {
        if (c < '0' || c > '9' || count > 1'000'000'000'000LL)
            break;
        count = count * 10 + (c - '0');
    }
    return ImResult::Ok;
}

ImResult ImHeaderLine(std::string_view name, std::string_view value, std::string& out)
{
    if (name.find_first_of("\r\n") != std::string_view::npos ||
        value.find_first_of("\r\n") != std::string_view::npos)
        return ImResult::BadArgument;
    out.append(name).append(": ").append(value).append("\r\n");
    return ImResult::Ok;
}

} // namespace zep
