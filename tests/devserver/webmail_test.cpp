// The webmail log-on page of the development server: the HTTP request parser on good, split,
// oversized and malformed input, the pages it answers for each token, and the same over a
// loopback connection to a running server.
#include "devserver/users.h"
#include "devserver/webmail_http.h"
#include "net_client.h"
#include "protocol/fields.h"
#include "protocol/webmail_token.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <regex>
#include <sys/socket.h>
#include <unistd.h>

namespace zep::devserver::test {
namespace {

struct ParseRow
{
    const char* name;
    std::string bytes;
    HttpParse state;
    int status; // for Bad
    const char* path;
    const char* query;
};

class HttpRequestParse : public testing::TestWithParam<ParseRow>
{
};

TEST_P(HttpRequestParse, GivesStateStatusAndTarget)
{
    const ParseRow& row = GetParam();
    HttpRequest request;
    const HttpParseResult result = ParseHttpRequest(row.bytes, request);
    ASSERT_EQ(result.state, row.state) << result.why;
    if (row.state == HttpParse::Bad) {
        EXPECT_EQ(result.status, row.status) << result.why;
        EXPECT_FALSE(result.why.empty());
    }
    if (row.state == HttpParse::Complete) {
        EXPECT_EQ(request.path, row.path);
        EXPECT_EQ(request.query, row.query);
        EXPECT_LE(result.used, row.bytes.size());
    }
}

const std::string kLongLine = "GET /" + std::string(kMaxHttpRequestLine, 'a') + " HTTP/1.1\r\n\r\n";
const std::string kManyHeaders = [] {
    std::string text = "GET / HTTP/1.1\r\n";
    for (std::size_t i = 0; i <= kMaxHttpHeaders; ++i)
        text += "X-" + std::to_string(i) + ": 1\r\n";
    return text + "\r\n";
}();
const std::string kHugeHeader =
    "GET / HTTP/1.1\r\nX-Big: " + std::string(kMaxHttpHeaderBytes, 'b') + "\r\n\r\n";
const std::string kEndlessHeader =
    "GET / HTTP/1.1\r\nX-Big: " + std::string(kMaxHttpHeaderBytes, 'b');

INSTANTIATE_TEST_SUITE_P(
    Rows, HttpRequestParse,
    testing::Values(
        ParseRow{"plain_get", "GET /logon.mml?applv=x&isMSVM=1 HTTP/1.1\r\nHost: a\r\n\r\n",
                 HttpParse::Complete, 0, "/logon.mml", "applv=x&isMSVM=1"},
        ParseRow{"lf_line_ends", "GET /logon.mml HTTP/1.0\nHost: a\n\n", HttpParse::Complete, 0,
                 "/logon.mml", ""},
        ParseRow{"head", "HEAD / HTTP/1.1\r\n\r\n", HttpParse::Complete, 0, "/", ""},
        ParseRow{"fragment_dropped", "GET /p?a=1#x HTTP/1.1\r\n\r\n", HttpParse::Complete, 0, "/p",
                 "a=1"},
        ParseRow{"data_after_the_request_left_alone", "GET / HTTP/1.1\r\n\r\nGET / HTTP/1.1",
                 HttpParse::Complete, 0, "/", ""},
        ParseRow{"zero_content_length", "GET / HTTP/1.1\r\nContent-Length: 0\r\n\r\n",
                 HttpParse::Complete, 0, "/", ""},
        ParseRow{"headers_not_ended", "GET / HTTP/1.1\r\nHost: a\r\n", HttpParse::Incomplete, 0, "",
                 ""},
        ParseRow{"nothing_yet", "", HttpParse::Incomplete, 0, "", ""},
        ParseRow{"request_line_too_long", kLongLine, HttpParse::Bad, 414, "", ""},
        ParseRow{"request_line_too_long_before_its_end",
                 kLongLine.substr(0, kMaxHttpRequestLine + 1), HttpParse::Bad, 414, "", ""},
        ParseRow{"too_many_headers", kManyHeaders, HttpParse::Bad, 431, "", ""},
        ParseRow{"header_block_too_large", kHugeHeader, HttpParse::Bad, 431, "", ""},
        ParseRow{"header_block_never_ends", kEndlessHeader, HttpParse::Bad, 431, "", ""},
        ParseRow{"empty_request_line", "\r\n\r\n", HttpParse::Bad, 400, "", ""},
        ParseRow{"garbage", "hello\r\n\r\n", HttpParse::Bad, 400, "", ""},
        ParseRow{"two_spaces", "GET  / HTTP/1.1\r\n\r\n", HttpParse::Bad, 400, "", ""},
        ParseRow{"absolute_target", "GET http://a/ HTTP/1.1\r\n\r\n", HttpParse::Bad, 400, "", ""},
        ParseRow{"control_byte_in_target", std::string("GET /\x01 HTTP/1.1\r\n\r\n"),
                 HttpParse::Bad, 400, "", ""},
        ParseRow{"nul_in_header", std::string("GET / HTTP/1.1\r\nX: a\0b\r\n\r\n", 27),
                 HttpParse::Bad, 400, "", ""},
        ParseRow{"header_without_colon", "GET / HTTP/1.1\r\nNoColon\r\n\r\n", HttpParse::Bad, 400,
                 "", ""},
        ParseRow{"space_in_header_name", "GET / HTTP/1.1\r\nBad Name: 1\r\n\r\n", HttpParse::Bad,
                 400, "", ""},
        ParseRow{"folded_header", "GET / HTTP/1.1\r\nX: 1\r\n 2\r\n\r\n", HttpParse::Bad, 400, "",
                 ""},
        ParseRow{"http_2", "GET / HTTP/2.0\r\n\r\n", HttpParse::Bad, 505, "", ""},
        ParseRow{"http_1_9", "GET / HTTP/1.9\r\n\r\n", HttpParse::Bad, 505, "", ""},
        ParseRow{"no_version", "GET /\r\n\r\n", HttpParse::Bad, 400, "", ""},
        ParseRow{"post", "POST /logon.mml HTTP/1.1\r\n\r\n", HttpParse::Bad, 501, "", ""},
        ParseRow{"body", "GET / HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", HttpParse::Bad, 413,
                 "", ""},
        ParseRow{"chunked_body", "GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n",
                 HttpParse::Bad, 501, "", ""}),
    [](const testing::TestParamInfo<ParseRow>& info) { return info.param.name; });

TEST(HttpRequestParseSplit, ByteByByteCompletesOnlyAtTheEnd)
{
    const std::string bytes = "GET /logon.mml?applv=abc HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        HttpRequest request;
        EXPECT_EQ(ParseHttpRequest(bytes.substr(0, n), request).state, HttpParse::Incomplete) << n;
    }
    HttpRequest request;
    const HttpParseResult result = ParseHttpRequest(bytes, request);
    ASSERT_EQ(result.state, HttpParse::Complete);
    EXPECT_EQ(result.used, bytes.size());
    EXPECT_EQ(request.query, "applv=abc");
    ASSERT_EQ(request.headers.size(), 1u);
    EXPECT_EQ(request.headers[0].second, "127.0.0.1");
}

std::string Token(const std::string& address, const std::string& password)
{
    std::string token;
    EXPECT_EQ(BuildWebmailToken(address, password, token), ImResult::Ok);
    return FormEncode(token);
}

std::string Title(const std::string& html)
{
    std::smatch m;
    return std::regex_search(html, m, std::regex("<title>([^<]*)</title>")) ? m[1].str() : "";
}

struct PageRow
{
    const char* name;
    std::string target;
    int status;
    const char* title;
};

class WebmailPage : public testing::TestWithParam<PageRow>
{
};

std::vector<WebmailAccount> DemoAccounts()
{
    std::vector<WebmailAccount> accounts;
    for (const UserRecord& user : DemoUsers())
        accounts.push_back({user.email, user.name, user.password, !user.echo});
    return accounts;
}

TEST_P(WebmailPage, AnswersTheToken)
{
    const PageRow& row = GetParam();
    HttpRequest request;
    ASSERT_EQ(ParseHttpRequest("GET " + row.target + " HTTP/1.1\r\n\r\n", request).state,
              HttpParse::Complete);
    const std::string response = WebmailResponse(request, DemoAccounts());
    EXPECT_EQ(response.rfind("HTTP/1.1 " + std::to_string(row.status) + " ", 0), 0u) << response;
    EXPECT_EQ(Title(response), row.title) << response;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailPage,
    testing::Values(
        PageRow{"professional",
                "/logon.mml?applv=" + Token("anna@example.com", "anna123") +
                    "&isMSVM=1&interfacetype=pro",
                200, "ZEP WebMail Professional - anna@example.com"},
        PageRow{"address_in_other_case_shows_the_stored_one",
                "/logon.mml?applv=" + Token("Ben@Example.com", "ben123"), 200,
                "ZEP WebMail Professional - ben@example.com"},
        PageRow{"express",
                "/logon.mml?interfacetype=express&applv=" + Token("carla@example.com", "carla123"),
                200, "ZEP WebMail Express - carla@example.com"},
        PageRow{"wrong_password", "/logon.mml?applv=" + Token("anna@example.com", "anna124"), 403,
                "ZEP WebMail: log-on refused"},
        PageRow{"password_of_another_user",
                "/logon.mml?applv=" + Token("anna@example.com", "ben123"), 403,
                "ZEP WebMail: log-on refused"},
        PageRow{"unknown_user", "/logon.mml?applv=" + Token("zed@example.com", "x"), 403,
                "ZEP WebMail: log-on refused"},
        PageRow{"echo_cannot_log_on", "/logon.mml?applv=" + Token("echo@example.com", ""), 403,
                "ZEP WebMail: log-on refused"},
        PageRow{"no_token", "/logon.mml?isMSVM=1", 403, "ZEP WebMail: log-on refused"},
        PageRow{"unreadable_token", "/logon.mml?applv=%%%", 403, "ZEP WebMail: log-on refused"},
        PageRow{"token_outside_the_alphabet", "/logon.mml?applv=abc%3d", 400,
                "ZEP WebMail: log-on refused"},
        PageRow{"other_page", "/index.html", 404, "Not found"}),
    [](const testing::TestParamInfo<PageRow>& info) { return info.param.name; });

// A connection to the server's webmail port on loopback.
class HttpConnection
{
public:
    explicit HttpConnection(int port)
    {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }
    ~HttpConnection() { close(fd_); }
    bool Connected() const { return connected_; }
    bool Send(const std::string& bytes)
    {
        return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
               static_cast<ssize_t>(bytes.size());
    }
    // Everything until the server closes, within the time.
    std::string ReadAll(std::chrono::milliseconds limit = 5s)
    {
        std::string out;
        const auto end = std::chrono::steady_clock::now() + limit;
        char buffer[4096];
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0)
                return out;
            out.append(buffer, static_cast<std::size_t>(n));
        }
        return out + "(time-out)";
    }

private:
    int fd_ = -1;
    bool connected_ = false;
};

class WebmailServerTest : public testing::Test
{
protected:
    ServerThread server_;
};

TEST_F(WebmailServerTest, AnswersTheMessengersTokenOverLoopback)
{
    ASSERT_GT(server_.WebmailPort(), 0);
    HttpConnection c(server_.WebmailPort());
    ASSERT_TRUE(c.Connected());
    // Split in two sends: the server waits for the end of the header block.
    ASSERT_TRUE(c.Send("GET /logon.mml?applv=" + Token("anna@example.com", "anna123") +
                       "&isMSVM=1&interfacetype=pro HTTP/1.1\r\nHost: 127"));
    ASSERT_TRUE(c.Send(".0.0.1\r\n\r\n"));
    const std::string response = c.ReadAll();
    EXPECT_EQ(response.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << response;
    EXPECT_EQ(Title(response), "ZEP WebMail Professional - anna@example.com");
    const auto length = response.find("Content-Length: ");
    ASSERT_NE(length, std::string::npos);
    EXPECT_EQ(std::stoul(response.substr(length + 16)),
              response.size() - response.find("\r\n\r\n") - 4);
}

TEST_F(WebmailServerTest, IdleConnectionHoldsUpNoOther)
{
    HttpConnection idle(server_.WebmailPort());
    ASSERT_TRUE(idle.Connected());
    ASSERT_TRUE(idle.Send("GET /logon.mml HT"));
    HttpConnection other(server_.WebmailPort());
    ASSERT_TRUE(other.Send("GET /nothing HTTP/1.1\r\n\r\n"));
    EXPECT_EQ(other.ReadAll(2s).rfind("HTTP/1.1 404 ", 0), 0u);
}

struct BadRequestRow
{
    const char* name;
    std::string bytes;
    int status;
};

class WebmailServerBadRequest : public WebmailServerTest,
                                public testing::WithParamInterface<BadRequestRow>
{
};

TEST_P(WebmailServerBadRequest, AnswersTheErrorAndCloses)
{
    const BadRequestRow& row = GetParam();
    HttpConnection c(server_.WebmailPort());
    ASSERT_TRUE(c.Connected());
    c.Send(row.bytes); // the server may close before it has read everything
    const std::string response = c.ReadAll();
    EXPECT_EQ(response.rfind("HTTP/1.1 " + std::to_string(row.status) + " ", 0), 0u) << response;
    EXPECT_NE(response.find("Connection: close"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailServerBadRequest,
    testing::Values(BadRequestRow{"garbage", "\x16\x03\x01 hello\r\n\r\n", 400},
                    BadRequestRow{
                        "endless_header",
                        "GET / HTTP/1.1\r\nX: " + std::string(2 * kMaxHttpHeaderBytes, 'x'), 431},
                    BadRequestRow{"post_body",
                                  "POST /logon.mml HTTP/1.1\r\nContent-Length: 3\r\n\r\nabc", 501}),
    [](const testing::TestParamInfo<BadRequestRow>& info) { return info.param.name; });

} // namespace
} // namespace zep::devserver::test
