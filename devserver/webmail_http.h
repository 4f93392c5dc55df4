// The webmail log-on page of the development server: a small, strict HTTP/1.x request parser
// and the pages it answers. The messenger opens "/logon.mml?applv=TOKEN&..." in the browser;
// the token is read with the messenger's own definition (protocol/webmail_token.h) and its
// password checked against the users.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zep::devserver {

// Bounds of what is read from a browser.
inline constexpr std::size_t kMaxHttpRequestLine = 8192;
inline constexpr std::size_t kMaxHttpHeaderBytes = 16384; // request line and headers together
inline constexpr std::size_t kMaxHttpHeaders = 100;

struct HttpRequest
{
    std::string method;
    std::string target; // as sent: path and query
    std::string path;
    std::string query; // without the "?", still encoded
    std::vector<std::pair<std::string, std::string>> headers;
};

enum class HttpParse
{
    Incomplete, // the header block has not ended yet; read more
    Complete,   // `request` is filled; `used` bytes made the request
    Bad,        // answer `status` (400, 414, 431, 501, 505) with `why`
};

struct HttpParseResult
{
    HttpParse state = HttpParse::Incomplete;
    int status = 0;
    std::string why;
    std::size_t used = 0;
};

// Parses the request at the start of `bytes`. Line ends are CRLF or LF. Requests with a body
// (Content-Length other than 0, Transfer-Encoding) are refused: the pages take none.
HttpParseResult ParseHttpRequest(std::string_view bytes, HttpRequest& request);

// The query's value of `name`, form-decoded; false when absent or badly encoded.
bool QueryValue(std::string_view query, std::string_view name, std::string& value);

struct WebmailAccount
{
    std::string email;
    std::string name;
    std::string password;
    bool canLogOn = true;
};

// The whole HTTP response to a parsed request.
std::string WebmailResponse(const HttpRequest& request,
                            const std::vector<WebmailAccount>& accounts);

// A complete error response (the connection closes after it).
std::string HttpErrorResponse(int status, std::string_view why);

} // namespace zep::devserver
