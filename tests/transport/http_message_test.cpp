// The HTTP message of the proxy tunnel: header-block end, header operations, serialising.

#include "transport/http_message.h"

#include <gtest/gtest.h>

#include <regex>

namespace zep {
namespace {

struct BlockCase
{
    const char* name;
    std::string bytes;
    std::size_t length;
};

class HeaderBlockLengthTest : public ::testing::TestWithParam<BlockCase>
{
};

TEST_P(HeaderBlockLengthTest, FindsTheEnd)
{
    EXPECT_EQ(HeaderBlockLength(GetParam().bytes), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeaderBlockLengthTest,
    ::testing::Values(BlockCase{"crlf", "HTTP/1.0 200 OK\r\n\r\nbody", 19},
                      BlockCase{"bare_lf", "HTTP/1.0 200 OK\n\nbody", 17},
                      BlockCase{"bare_cr", "HTTP/1.0 200 OK\r\rbody", 17},
                      BlockCase{"incomplete", "HTTP/1.0 200 OK\r\nVia: x\r\n", 0},
                      BlockCase{"empty", "", 0},
                      // CR LF CR LF before a later LF LF: the four-byte end is taken.
                      BlockCase{"crlf_before_lflf", "A\r\n\r\nB\n\n", 5},
                      // LF LF earlier than any CR LF CR LF: it ends the block.
                      BlockCase{"lflf_before_crlf", "A\n\nB\r\n\r\n", 3},
                      // CR LF LF: the LF LF inside ends it.
                      BlockCase{"crlf_lf", "A\r\n\nB", 4},
                      BlockCase{"greeting_after",
                                "HTTP/1.0 200 Connection established\r\n\r\nS 220 x\r\n", 39}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeaderBlockLengthTest, SearchFromSkipsWhatWasSeen)
{
    std::string bytes = "HTTP/1.0 200 OK\r\n\r";
    EXPECT_EQ(HeaderBlockLength(bytes), 0u);
    bytes += "\n";
    // The end straddles the earlier search point.
    EXPECT_EQ(HeaderBlockLength(bytes, bytes.size() - 4), bytes.size());
}

TEST(HttpMessageTest, HeadersAreSetReplacedReadAndRemoved)
{
    HttpMessage message;
    message.Initialise();
    EXPECT_TRUE(message.Present());
    ASSERT_EQ(message.AppendLine("CONNECT host:8367 HTTP/1.0"), ImResult::Ok);
    EXPECT_EQ(message.SetHeader("Content-Length: 0"), ImResult::Ok);
    EXPECT_EQ(message.SetHeader("Date: Tue, 8 Dec 2026 01:02:03 GMT"), ImResult::Ok);
    // Same name in another case: replaced in place, not appended.
    EXPECT_EQ(message.SetHeader("content-length: 12"), ImResult::Ok);
    EXPECT_EQ(message.Lines(),
              (std::vector<std::string>{"CONNECT host:8367 HTTP/1.0", "content-length: 12",
                                        "Date: Tue, 8 Dec 2026 01:02:03 GMT"}));
    // The start line holds a colon but is never taken for a header.
    EXPECT_EQ(message.SetHeader("CONNECT host: x"), ImResult::Ok);
    EXPECT_EQ(message.Lines().front(), "CONNECT host:8367 HTTP/1.0");

    std::string value;
    EXPECT_TRUE(message.HeaderValue("CONTENT-LENGTH:", value));
    EXPECT_EQ(value, "12");
    EXPECT_FALSE(message.HeaderValue("Via:", value));

    message.RemoveHeader("date:");
    EXPECT_FALSE(message.HeaderValue("Date:", value));
    EXPECT_EQ(message.Lines().size(), 3u);

    message.Free();
    EXPECT_FALSE(message.Present());
    EXPECT_TRUE(message.Lines().empty());
}

TEST(HttpMessageTest, MisuseIsRefused)
{
    HttpMessage message;
    message.Initialise();
    EXPECT_EQ(message.SetHeader("no colon here"), ImResult::BadArgument);
    // Line breaks would let a value add lines of its own to the request.
    EXPECT_EQ(message.AppendLine("CONNECT a\r\nX-Injected: 1:80 HTTP/1.0"), ImResult::BadArgument);
    EXPECT_EQ(message.SetHeader("Date: x\nVia: y"), ImResult::BadArgument);
    EXPECT_TRUE(message.Lines().empty());

    ASSERT_EQ(message.AppendLine("GET / HTTP/1.0"), ImResult::Ok);
    EXPECT_EQ(message.ParseHeaderBlock("HTTP/1.0 200 OK\r\n\r\n"), ImResult::BadArgument);
}

TEST(HttpMessageTest, HeaderWithoutValueReadsEmpty)
{
    HttpMessage message;
    message.Initialise();
    ASSERT_EQ(message.ParseHeaderBlock("HTTP/1.0 200 OK\r\nContent-Length:\r\n\r\n"), ImResult::Ok);
    std::string value = "stale";
    EXPECT_TRUE(message.HeaderValue("Content-Length:", value));
    EXPECT_EQ(value, "");
}

TEST(HttpMessageTest, ParsesOnlyTheHeaderBlockAndDropsEmptyLines)
{
    HttpMessage message;
    message.Initialise();
    EXPECT_EQ(message.ParseHeaderBlock("HTTP/1.0 200 OK\r\nVia: a"), ImResult::NotFound);
    ASSERT_EQ(message.ParseHeaderBlock(
                  "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n"
                  "Content-Length: 5\r\n\r\nS 220 not a header\r\n"),
              ImResult::Ok);
    EXPECT_EQ(message.Lines(),
              (std::vector<std::string>{"HTTP/1.1 407 Proxy Authentication Required",
                                        "Proxy-Authenticate: Basic", "Content-Length: 5"}));
}

TEST(HttpMessageTest, SerialisesWithCrLfAndAnEmptyLine)
{
    HttpMessage message;
    message.Initialise();
    message.AppendLine("CONNECT a:1 HTTP/1.0");
    message.SetHeader("Content-Length: 0");
    EXPECT_EQ(message.Serialise(), "CONNECT a:1 HTTP/1.0\r\nContent-Length: 0\r\n\r\n");
}

TEST(HttpDateTest, EnglishNamesDayWithoutPadding)
{
    // 2026-12-08 01:02:03 UTC was a Tuesday.
    EXPECT_EQ(FormatHttpDate(1796691723), "Tue, 8 Dec 2026 01:02:03 GMT");
    EXPECT_EQ(FormatHttpDate(0), "Thu, 1 Jan 1970 00:00:00 GMT");
    EXPECT_TRUE(std::regex_match(FormatHttpDate(std::time(nullptr)),
                                 std::regex(R"([A-Z][a-z]{2}, \d{1,2} [A-Z][a-z]{2} \d{4} )"
                                            R"(\d{2}:\d{2}:\d{2} GMT)")));
}

} // namespace
} // namespace zep
