#pragma once
// Formats one request: the command line, "name: value" header lines and the terminator.
// A value that holds CR or LF would end its line early and smuggle in a second request, so
// the request is refused (BadArgument) instead of being sent.

#include "common/im_result.h"
#include "common/line_list.h"

#include <string>
#include <string_view>

namespace zep {

struct ImConnection;

class RequestBuilder
{
public:
    explicit RequestBuilder(std::string_view command);

    RequestBuilder& Header(std::string_view name, std::string_view value);
    RequestBuilder& Header(std::string_view name, long long value);
    // Lines already framed with CR LF; refused unless they form a header block.
    RequestBuilder& RawHeaders(std::string_view lines);

    // The framed request; BadArgument when any value was refused.
    ImResult Finish(std::string& request);

private:
    std::string m_text;
    bool m_bad = false;
};

// Exchanges a request and classifies the reply's status line: the exchange's own failure, or
// the status result. The reply is kept for the caller's parsing.
ImResult ExchangeRequest(ImConnection& conn, std::string_view request, LineList& reply);

} // namespace zep
