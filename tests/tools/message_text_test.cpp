// The watch output of events and the multipart body that send-im builds.

#include "tools/im_body.h"
#include "tools/message_text.h"

#include <gtest/gtest.h>

namespace zep::cli {
namespace {

TEST(WatchLine, HeadersAsReceivedAndTheMessageTextEscaped)
{
    EXPECT_EQ(FormatEvent({"presence", "email: a@x.org", "Status: AVAILABLE", "Odd line"}, false),
              "presence\temail=a@x.org\tStatus=AVAILABLE\tOdd line=");
    // Event extraction drops the empty lines, so headers end where the text begins.
    EXPECT_EQ(
        FormatEvent({"MESSAGE", "SessionId: 9", "From: b@x.org", "hello: there", "back\\slash"},
                    true),
        "MESSAGE\tSessionId=9\tFrom=b@x.org\thello=there\ttext=back\\\\slash");
}

TEST(WatchLine, ControlsFromTheServerAreEscapedNotPassedOn)
{
    const struct
    {
        const char* name;
        std::vector<std::string> event;
        bool isMessage;
        std::string line;
    } rows[] = {
        {"tab in a value forges no field",
         {"PRESENCE", "Email: a@x.org\tStatus=X"},
         false,
         "PRESENCE\tEmail=a@x.org\\tStatus=X"},
        {"escape in a value",
         {"PRESENCE", "Status: \x1b]0;t\x07"},
         false,
         "PRESENCE\tStatus=\\x1b]0;t\\x07"},
        {"bell and delete in a name", {"NOTIFY", "A\x07\x7f: 1"}, false, "NOTIFY\tA\\x07\\x7f=1"},
        {"escape, bell and delete in the text",
         {"MESSAGE", "From: b@x.org", "\x1b[2J\x07\x7f"},
         true,
         "MESSAGE\tFrom=b@x.org\ttext=\\x1b[2J\\x07\\x7f"},
        {"C1 control in UTF-8",
         {"NOTIFY", "V: \xc2\x9b"
                    "31m\xc3\xa9"},
         false,
         "NOTIFY\tV=\\xc2\\x9b"
         "31m\xc3\xa9"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(FormatEvent(row.event, row.isMessage), row.line) << row.name;
}

TEST(WatchLine, PlainPartOfAMultipartBodyWithAMixedCaseBoundary)
{
    std::tm t{};
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 3;
    t.tm_wday = 1;
    t.tm_mday = 7;
    t.tm_mon = 11;
    t.tm_year = 126;
    std::string boundary = MimeBoundary(t);
    EXPECT_EQ(boundary, "==_09:05:03 Mon, 7 Dec 2026 ==_");
    ImMime mime = BuildImMime("line one\r\nContent-free line", PlainTextRtf("x"), boundary);
    // What arrives: headers, then the body lines with the empty ones gone.
    std::vector<std::string> event = {
        "MESSAGE", "SessionId: 9", "From: b@x.org", "MIME-Version: 1.0",
        "Content-Type: multipart/alternative; boundary=\"" + boundary + "\""};
    std::string body = mime.body;
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t end = body.find("\r\n", pos);
        if (end > pos)
            event.push_back(body.substr(pos, end - pos));
        pos = end + 2;
    }
    std::string line = FormatEvent(event, true);
    EXPECT_NE(line.find("\tContent-Type=multipart/alternative; boundary=\"" + boundary + "\""),
              std::string::npos);
    EXPECT_EQ(line.substr(line.find("\ttext=")), "\ttext=line one\\r\\nContent-free line");
}

TEST(ImBody, PartsInOrderAndAnAsciiRichText)
{
    ImMime mime = BuildImMime("hi", "{\\rtf1 hi}", "B");
    EXPECT_EQ(mime.headers,
              "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"B\"\r\n");
    EXPECT_EQ(mime.body,
              "\r\n--B\r\nContent-Type: text/plain; charset=\"utf-8\"\r\n\r\nhi\r\n--B\r\n"
              "Content-Type: text/richtext; charset=\"us-ascii\"\r\n\r\n{\\rtf1 "
              "hi}\r\n--B\r\n");
    std::string rtf = PlainTextRtf("a{b}\\c\n\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_NE(rtf.find("a\\{b\\}\\\\c\\par\r\n\\u233?\\u-10179?\\u-8704?\\par"), std::string::npos)
        << rtf;
    for (char c : rtf)
        EXPECT_LT(static_cast<unsigned char>(c), 0x80);
}

} // namespace
} // namespace zep::cli
