// The incremental request parser.
#include "devserver/request.h"
#include "devserver/text.h"

#include <gtest/gtest.h>

namespace zep::devserver {
namespace {

std::vector<Request> ParseAll(RequestParser& parser)
{
    std::vector<Request> out;
    while (auto request = parser.Next())
        out.push_back(std::move(*request));
    return out;
}

TEST(RequestParser, RequestsSplitAtEveryByteComeOutWhole)
{
    const std::string text = "LIST USERS\r\nSearchEmail: an\r\n.\r\n"
                             "MESSAGE\r\nMessageType: im\r\nSessionId: s1\r\n\r\n"
                             "..dotted\r\nplain\r\n\r\n.\r\n";
    RequestParser parser(1 << 20);
    std::vector<Request> got;
    for (char c : text) {
        parser.Feed(std::string_view(&c, 1));
        for (auto& r : ParseAll(parser))
            got.push_back(std::move(r));
    }
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].command, "LIST USERS");
    ASSERT_NE(got[0].Find("searchemail"), nullptr);
    EXPECT_EQ(*got[0].Find("SearchEmail"), "an");
    EXPECT_EQ(got[1].command, "MESSAGE");
    EXPECT_EQ(*got[1].Find("SessionId"), "s1");
    EXPECT_EQ(got[1].body, (std::vector<std::string>{".dotted", "plain", ""}));
    EXPECT_FALSE(got[1].malformed);
    EXPECT_EQ(parser.Buffered(), 0u);
}

TEST(RequestParser, BareLineFeedsAndCarriageReturnsInsideLinesAreAccepted)
{
    RequestParser parser(1 << 20);
    parser.Feed("MESSAGE\nMessageType: im\n\nhello\rS 250 OK\n.\n");
    auto requests = ParseAll(parser);
    ASSERT_EQ(requests.size(), 1u);
    // A carriage return inside a line never reaches another client, where it would start a line.
    EXPECT_EQ(requests[0].body, std::vector<std::string>{"helloS 250 OK"});
}

TEST(RequestParser, HeaderWithoutColonMarksTheRequestMalformed)
{
    RequestParser parser(1 << 20);
    parser.Feed("KA\r\nActivity 5\r\n.\r\nKA\r\nActivity: 5\r\n.\r\n");
    auto requests = ParseAll(parser);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].malformed);
    EXPECT_FALSE(requests[1].malformed);
}

TEST(RequestParser, OversizedRequestIsDrainedReportedOnceAndTheNextOneParses)
{
    RequestParser parser(1024);
    parser.Feed("MESSAGE\r\nMessageType: im\r\n\r\n");
    const std::string line(300, 'x');
    for (int i = 0; i < 100; ++i) {
        parser.Feed(line + "\r\n");
        EXPECT_FALSE(parser.Next().has_value());
        EXPECT_LT(parser.Buffered(), 2048u); // memory stays bounded while draining
    }
    parser.Feed(".\r\nVERSION\r\n.\r\n");
    auto requests = ParseAll(parser);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].tooLarge);
    EXPECT_EQ(requests[0].command, "MESSAGE");
    EXPECT_TRUE(requests[0].body.empty());
    EXPECT_EQ(requests[1].command, "VERSION");
    EXPECT_FALSE(requests[1].tooLarge);
}

TEST(RequestParser, EndlessLineWithoutLineFeedIsDroppedNotBuffered)
{
    RequestParser parser(4096);
    const std::string chunk(1000, 'y');
    for (int i = 0; i < 1000; ++i) {
        parser.Feed(chunk);
        EXPECT_FALSE(parser.Next().has_value());
        ASSERT_LT(parser.Buffered(), 8192u);
    }
    // The tail of the long line is not a terminator; the real one ends the request.
    parser.Feed(".\r\n.\r\nVERSION\r\n.\r\n");
    auto requests = ParseAll(parser);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].tooLarge);
    EXPECT_EQ(requests[1].command, "VERSION");
}

TEST(RequestParser, BlankLinesBetweenRequestsAndALoneTerminator)
{
    RequestParser parser(1 << 20);
    parser.Feed("\r\n\r\nVERSION\r\n.\r\n.\r\n");
    auto requests = ParseAll(parser);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].command, "VERSION");
    EXPECT_TRUE(requests[1].malformed);
}

TEST(TextHelpers, ListsNumbersAndLengths)
{
    EXPECT_EQ(SplitList(" a@x , ,b@y,", ','), (std::vector<std::string>{"a@x", "b@y"}));
    long long value = 0;
    EXPECT_TRUE(ParseInt("-2147483648", value));
    EXPECT_EQ(value, -2147483648LL);
    EXPECT_FALSE(ParseInt("12abc", value));
    EXPECT_FALSE(ParseInt("", value));
    EXPECT_EQ(Utf8Length("Zo\xc3\xab"), 3u);
    EXPECT_TRUE(IContains("Carla Diaz", "DIAZ"));
}

} // namespace
} // namespace zep::devserver
