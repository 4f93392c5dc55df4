// The webmail page's HTTP request parser and page builder on arbitrary bytes: it must never
// crash, never read past its bound, answer every complete request and refuse with a proper
// status; a request that parses gives exactly one well-formed response.
#include "devserver/webmail_http.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zep::devserver;
    static const std::vector<WebmailAccount> accounts = {
        {"anna@example.com", "Anna", "anna123", true}, {"echo@example.com", "Echo", "", false}};
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    HttpRequest request;
    const HttpParseResult result = ParseHttpRequest(bytes, request);
    switch (result.state) {
    case HttpParse::Incomplete:
        if (size > kMaxHttpHeaderBytes)
            std::abort(); // past the bound the parser must decide
        break;
    case HttpParse::Bad:
        if (result.status < 400 || result.status > 599 || result.why.empty())
            std::abort();
        if (HttpErrorResponse(result.status, result.why).rfind("HTTP/1.1 ", 0) != 0)
            std::abort();
        break;
    case HttpParse::Complete: {
        if (result.used > size || request.path.empty() || request.path.front() != '/')
            std::abort();
        const std::string response = WebmailResponse(request, accounts);
        const std::size_t end = response.find("\r\n\r\n");
        if (response.rfind("HTTP/1.1 ", 0) != 0 || end == std::string::npos)
            std::abort();
        if (response.substr(0, end).find_first_of(std::string_view("\0", 1)) != std::string::npos)
            std::abort();
        std::string value;
        (void)QueryValue(request.query, "applv", value);
        break;
    }
    }
    return 0;
}
