#include "devserver/webmail_http.h"

#include "common/text_io.h"
#include "devserver/text.h"
#include "protocol/webmail_token.h"

#include <openssl/crypto.h>

#include <algorithm>

namespace zep::devserver {
namespace {

constexpr std::string_view kTitlePrefix = "ZEP WebMail";

HttpParseResult Refuse(int status, std::string why)
{
    HttpParseResult result;
    result.state = HttpParse::Bad;
    result.status = status;
    result.why = std::move(why);
    return result;
}

bool IsTokenChar(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7f)
        return false;
    return std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

// Visible ASCII, tabs and bytes of UTF-8 text; no other control characters.
bool IsFieldText(std::string_view text)
{
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && c != '\t') || byte == 0x7f)
            return false;
    }
    return true;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool FormDecodeStrict(std::string_view text, std::string& out)
{
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%') {
            if (i + 2 >= text.size())
                return false;
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi < 0 || lo < 0)
                return false;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += text[i];
        }
    }
    return true;
}

const char* Reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 413:
        return "Content Too Large";
    case 414:
        return "URI Too Long";
    case 431:
        return "Request Header Fields Too Large";
    case 501:
        return "Not Implemented";
    case 505:
        return "HTTP Version Not Supported";
    default:
        return "Error";
    }
}

std::string Page(std::string_view title, std::string_view body)
{
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + HtmlEscaped(title) +
           "</title></head>\n<body>" + std::string(body) + "</body></html>\n";
}

std::string Response(int status, const std::string& page, bool withBody)
{
    std::string out = "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) +
                      "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                      std::to_string(page.size()) +
                      "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (withBody)
        out += page;
    return out;
}

std::string Refusal(int status, std::string_view why, bool withBody)
{
    return Response(status,
                    Page(std::string(kTitlePrefix) + ": log-on refused",
                         "<h1>Log-on refused</h1><p>" + HtmlEscaped(why) + "</p>"),
                    withBody);
}

} // namespace

HttpParseResult ParseHttpRequest(std::string_view bytes, HttpRequest& request)
{
    request = HttpRequest{};
    // The header block ends at the first empty line; nothing past the bound is looked at.
    std::size_t end = std::string_view::npos;
    std::size_t bodyStart = 0;
    const std::size_t scan = std::min(bytes.size(), kMaxHttpHeaderBytes + 1);
    for (std::size_t at = 0; at < scan; ++at) {
        if (bytes[at] != '\n')
            continue;
        if (at + 1 < bytes.size() && bytes[at + 1] == '\n') {
            end = at + 1;
            bodyStart = at + 2;
            break;
        }
        if (at + 2 < bytes.size() && bytes[at + 1] == '\r' && bytes[at + 2] == '\n') {
            end = at + 1;
            bodyStart = at + 3;
            break;
        }
    }
    const std::size_t firstLineEnd = bytes.find('\n');
    if (firstLineEnd == std::string_view::npos ? bytes.size() > kMaxHttpRequestLine
                                               : firstLineEnd > kMaxHttpRequestLine)
        return Refuse(414, "request line too long");
    if (end == std::string_view::npos) {
        if (bytes.size() > kMaxHttpHeaderBytes)
            return Refuse(431, "header block too large");
        return {};
    }
    if (bodyStart > kMaxHttpHeaderBytes)
        return Refuse(431, "header block too large");

    std::vector<std::string_view> lines;
    for (std::size_t from = 0; from < end;) {
        std::size_t nl = bytes.find('\n', from);
        std::string_view line = bytes.substr(from, nl - from);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        from = nl + 1;
    }
    if (lines.empty() || lines.front().empty())
        return Refuse(400, "no request line");
    if (lines.size() - 1 > kMaxHttpHeaders)
        return Refuse(431, "too many header fields");

    // METHOD SP TARGET SP HTTP/1.x
    const std::string_view requestLine = lines.front();
    const std::size_t sp1 = requestLine.find(' ');
    const std::size_t sp2 = sp1 == std::string_view::npos ? sp1 : requestLine.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || requestLine.find(' ', sp2 + 1) != std::string_view::npos)
        return Refuse(400, "malformed request line");
    const std::string_view method = requestLine.substr(0, sp1);
    const std::string_view target = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    const std::string_view version = requestLine.substr(sp2 + 1);
    if (method.empty() || method.size() > 16)
        return Refuse(400, "malformed method");
    for (char c : method)
        if (!IsTokenChar(c))
            return Refuse(400, "malformed method");
    if (version.size() != 8 || version.substr(0, 7) != "HTTP/1.") {
        if (version.substr(0, 5) == "HTTP/" && version.size() == 8 && version[6] == '.')
            return Refuse(505, "only HTTP/1.x is spoken");
        return Refuse(400, "malformed protocol version");
    }
    if (version[7] != '0' && version[7] != '1')
        return Refuse(505, "only HTTP/1.0 and HTTP/1.1 are spoken");
    if (method != "GET" && method != "HEAD")
        return Refuse(501, "only GET and HEAD are served");
    if (target.empty() || target.front() != '/')
        return Refuse(400, "the target must be a path");
    for (char c : target) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f)
            return Refuse(400, "bad character in the target");
    }

    request.method = std::string(method);
    request.target = std::string(target);
    const std::size_t q = target.find('?');
    request.path = std::string(target.substr(0, q));
    if (q != std::string_view::npos)
        request.query = std::string(target.substr(q + 1));
    if (const std::size_t hash = request.query.find('#'); hash != std::string::npos)
        request.query.resize(hash);

    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (line.empty())
            return Refuse(400, "malformed header line");
        if (line.front() == ' ' || line.front() == '\t')
            return Refuse(400, "folded header lines are not accepted");
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            return Refuse(400, "malformed header line");
        const std::string_view name = line.substr(0, colon);
        for (char c : name)
            if (!IsTokenChar(c))
                return Refuse(400, "malformed header name");
        const std::string_view value = Trim(line.substr(colon + 1));
        if (!IsFieldText(value))
            return Refuse(400, "control character in a header value");
        if (IEquals(name, "Transfer-Encoding"))
            return Refuse(501, "request bodies are not accepted");
        if (IEquals(name, "Content-Length") && value != "0")
            return Refuse(413, "request bodies are not accepted");
        request.headers.emplace_back(std::string(name), std::string(value));
    }
    HttpParseResult result;
    result.state = HttpParse::Complete;
    result.used = bodyStart;
    return result;
}

bool QueryValue(std::string_view query, std::string_view name, std::string& value)
{
    value.clear();
    std::size_t from = 0;
    while (from <= query.size()) {
        std::size_t amp = query.find('&', from);
        if (amp == std::string_view::npos)
            amp = query.size();
        const std::string_view pair = query.substr(from, amp - from);
        const std::size_t eq = pair.find('=');
        std::string key;
        if (FormDecodeStrict(pair.substr(0, eq), key) && key == name)
            return FormDecodeStrict(
                eq == std::string_view::npos ? std::string_view() : pair.substr(eq + 1), value);
        from = amp + 1;
    }
    return false;
}

std::string WebmailResponse(const HttpRequest& request, const std::vector<WebmailAccount>& accounts)
{
    const bool body = request.method != "HEAD";
    if (request.path != "/logon.mml")
        return Response(404, Page("Not found", "<p>No such page.</p>"), body);
    std::string token;
    if (!QueryValue(request.query, "applv", token) || token.empty())
        return Refusal(403, "No log-on token was given.", body);
    std::string address, password;
    if (ReadWebmailToken(token, address, password) != ImResult::Ok)
        return Refusal(400, "The log-on token cannot be read.", body);
    const WebmailAccount* account = nullptr;
    for (const WebmailAccount& candidate : accounts)
        if (IEquals(candidate.email, address))
            account = &candidate;
    if (account == nullptr || !account->canLogOn || account->password.size() != password.size() ||
        CRYPTO_memcmp(account->password.data(), password.data(), password.size()) != 0)
        return Refusal(403, "The address or password is not right.", body);

    std::string interface;
    const bool express =
        QueryValue(request.query, "interfacetype", interface) && IEquals(interface, "express");
    const std::string title =
        std::string(kTitlePrefix) + (express ? " Express - " : " Professional - ") + account->email;
    return Response(200,
                    Page(title, "<h1>" + HtmlEscaped(title) + "</h1><p>Logged on as " +
                                    HtmlEscaped(account->name) + ".</p>"),
                    body);
}

std::string HttpErrorResponse(int status, std::string_view why)
{
    return Response(status, Page(Reason(status), "<p>" + HtmlEscaped(why) + "</p>"), true);
}

} // namespace zep::devserver
