#include "protocol/request_builder.h"

#include "protocol/framing.h"
#include "protocol/message_body.h"

namespace zep {

RequestBuilder::RequestBuilder(std::string_view command)
{
    m_bad = HasLineBreak(command);
    m_text.append(command).append("\r\n");
}

RequestBuilder& RequestBuilder::Header(std::string_view name, std::string_view value)
{
    if (HasLineBreak(name) || HasLineBreak(value))
        m_bad = true;
    m_text.append(name).append(": ").append(value).append("\r\n");
    return *this;
}

RequestBuilder& RequestBuilder::Header(std::string_view name, long long value)
{
    return Header(name, std::string_view(std::to_string(value)));
}

RequestBuilder& RequestBuilder::RawHeaders(std::string_view lines)
{
    if (!IsHeaderBlock(lines))
        m_bad = true;
    m_text.append(lines);
    return *this;
}

ImResult RequestBuilder::Finish(std::string& request)
{
    if (m_bad)
        return ImResult::BadArgument;
    m_text.append(".\r\n");
    request = std::move(m_text);
    return ImResult::Ok;
}

ImResult ExchangeRequest(ImConnection& conn, std::string_view request, LineList& reply)
{
    ImResult r = ImExchange(conn, request, reply);
    if (r != ImResult::Ok)
        return r;
    return ImReplyResult(reply);
}

} // namespace zep
