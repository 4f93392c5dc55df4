// Conversation sessions and messages.

#include "protocol/message_body.h"
#include "protocol/request_builder.h"
#include "protocol/requests.h"
#include "protocol/utf_text.h"
#include "transport/im_connection.h"

#include <mutex>

namespace zep {

ImResult ImInvite(ImConnection& conn, const std::vector<std::string>& emails,
                  std::string& sessionId)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    sessionId.clear();
    std::string joined;
    for (const std::string& email : emails) {
        if (!joined.empty())
            joined.push_back(',');
        joined.append(email);
    }
    std::string request;
    ImResult r = RequestBuilder("INVITE").Header("Email", joined).Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    if (r != ImResult::Ok)
        return r;
    std::string_view text = reply.Tail();
    text = text.size() > 3 ? text.substr(3) : std::string_view();
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    sessionId = Utf8Prefix(text, kSessionIdSize - 1);
    return ImResult::Ok;
}

ImResult ImInviteToSession(ImConnection& conn, std::string_view sessionId, std::string_view email)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::string request;
    ImResult r = RequestBuilder("INVITE")
                     .Header("SessionId", sessionId)
                     .Header("Email", email)
                     .Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    return r;
}

ImResult ImLeave(ImConnection& conn, std::string_view sessionId)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::string request;
    ImResult r = RequestBuilder("LEAVE").Header("SessionId", sessionId).Finish(request);
    LineList reply;
    if (r == ImResult::Ok)
        r = ExchangeRequest(conn, request, reply);
    return r;
}

ImResult ImMessage(ImConnection& conn, std::string_view type, std::string_view extraHeaders,
                   std::string_view body, LineList& reply)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    reply.Clear();
    std::string request;
    ImResult r = RequestBuilder("MESSAGE")
                     .Header("MessageType", type)
                     .RawHeaders(extraHeaders)
                     .Finish(request);
    if (r != ImResult::Ok)
        return r;
    // The terminator moves behind the empty line and the body.
    request.resize(request.size() - 3);
    request.append("\r\n");
    request.append(StuffMessageBody(body));
    request.append(".\r\n");
    return ExchangeRequest(conn, request, reply);
}

std::vector<MessageFailure> ImMessageFailures(const LineList& reply)
{
    std::vector<MessageFailure> failures;
    for (std::size_t i = 0; i + 1 < reply.Size(); ++i) {
        std::string_view line = reply[i];
        bool unacceptable = line.compare(0, 4, "251-") == 0;
        if (!unacceptable && line.compare(0, 4, "250-") != 0)
            continue;
        line.remove_prefix(4);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        failures.push_back({std::string(line), unacceptable});
    }
    return failures;
}

} // namespace zep
