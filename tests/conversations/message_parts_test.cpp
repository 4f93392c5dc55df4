// The MIME body of an instant message: what we send, and what we make of what others send.
#include "conversations/message_parts.h"
#include "protocol/message_body.h"
#include "rich_text_rows.h"

#include <clocale>
#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

using testing::TextOf;
using testing::Utf16;
using testing::Utf8;

std::tm Time(int hour, int minute, int second, int weekday, int day, int month, int year)
{
    std::tm t{};
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_wday = weekday;
    t.tm_mday = day;
    t.tm_mon = month - 1;
    t.tm_year = year - 1900;
    return t;
}

const std::tm kMonday = Time(9, 5, 3, 1, 7, 12, 2026);

// The event as the view holds it: name, headers, empty line, body lines (split at LF, so a
// CR of CR LF stays at the end of its line).
std::vector<std::u16string> EventLines(const std::string& headers, const std::string& body)
{
    std::vector<std::u16string> lines{u"MESSAGE"};
    const auto split = [&lines](const std::string& text) {
        std::size_t pos = 0;
        while (pos <= text.size()) {
            const std::size_t lf = std::min(text.find('\n', pos), text.size());
            lines.push_back(Utf16(text.substr(pos, lf - pos)));
            pos = lf + 1;
        }
    };
    if (!headers.empty())
        split(headers);
    lines.emplace_back();
    split(body);
    return lines;
}

TEST(OutgoingPlainText, LineEndsAndObjects)
{
    const struct
    {
        std::u16string in;
        std::string out;
    } rows[] = {
        {u"a\nb", "a\r\nb"},
        {u"a\u2029b\u2028c", "a\r\nb\r\nc"},
        {u"a\r\nb\rc", "a\r\nb\r\nc"},
        {u"a\n\nb", "a\r\n\r\nb"},
        {u"x\ufffcy", "xy"},
        {u"Gr\u00fc\u00dfe \u263a", "Gr\xc3\xbc\xc3\x9f"
                                    "e \xe2\x98\xba"},
        {std::u16string(u"a") + char16_t(0xd800) + u"b", "a\xef\xbf\xbd"
                                                         "b"},
        {u"\U0001f600", "\xf0\x9f\x98\x80"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(OutgoingPlainText(row.in), row.out) << row.out;
}

TEST(MessageBoundary, EnglishNamesWithoutLeadingZero)
{
    const struct
    {
        std::tm time;
        const char* boundary;
    } rows[] = {
        {kMonday, "==_09:05:03 Mon, 7 Dec 2026 ==_"},
        {Time(0, 0, 0, 0, 1, 1, 2023), "==_00:00:00 Sun, 1 Jan 2023 ==_"},
        {Time(23, 59, 59, 6, 31, 10, 2099), "==_23:59:59 Sat, 31 Oct 2099 ==_"},
        {Time(12, 0, 0, 9, 15, 13, 2024), "==_12:00:00 Tue, 15 Jan 2024 ==_"}, // out of range
    };
    for (const auto& row : rows)
        EXPECT_EQ(MessageBoundary(row.time), row.boundary);
}

const char kGoldenBody[] = "\r\n--==_09:05:03 Mon, 7 Dec 2026 ==_\r\n"
                           "Content-Type: text/plain; charset=\"utf-8\"\r\n\r\n"
                           "Hi\r\n--==_09:05:03 Mon, 7 Dec 2026 ==_\r\n"
                           "Content-Type: text/richtext; charset=\"us-ascii\"\r\n\r\n"
                           "{\\rtf1 Hi\\par }\r\n--==_09:05:03 Mon, 7 Dec 2026 ==_\r\n";

TEST(BuildMessageParts, GoldenBody)
{
    const MessageParts parts =
        BuildMessageParts("s42", "Hi", std::string("{\\rtf1 Hi\\par }\0", 16), kMonday);
    EXPECT_EQ(parts.headers, "SessionId: s42\r\nMIME-Version: 1.0\r\n"
                             "Content-Type: multipart/alternative; "
                             "boundary=\"==_09:05:03 Mon, 7 Dec 2026 ==_\"\r\n");
    EXPECT_EQ(parts.body, kGoldenBody);
    EXPECT_TRUE(IsHeaderBlock(BuildMessageParts("a\r\nb", "", "", kMonday).headers));
}

// Several paragraphs of non-ASCII text through the framing and back, also where the process
// locale would print dates and numbers differently.
TEST(BuildMessageParts, NonAsciiSurvivesFraming)
{
    const char* const locales[] = {nullptr, "de_DE.UTF-8"};
    for (const char* locale : locales) {
        const std::string saved = std::setlocale(LC_ALL, nullptr);
        if (locale && !std::setlocale(LC_ALL, locale)) {
            std::printf("[ SKIPPED  ] locale %s is not installed\n", locale);
            continue;
        }
        const std::string plain = OutgoingPlainText(u"Gr\u00fc\u00dfe\n\nZeile \u263a");
        const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 "
                                "Sans;}}\r\n{\\colortbl ;}\r\n\\viewkind4\\uc1\\pard \\f0 "
                                "Gr\\'fc\\'dfe\\par\r\n\\par\r\nZeile \\u9786?\\par }";
        const MessageParts parts = BuildMessageParts("s1", plain, rtf, kMonday);
        EXPECT_EQ(MessageBoundary(kMonday), "==_09:05:03 Mon, 7 Dec 2026 ==_");
        // The empty line is a piece holding only CR between two LFs; it must stay a line.
        EXPECT_NE(parts.body.find("e\r\n\r\nZeile"), std::string::npos);
        const std::string stuffed = StuffMessageBody(parts.body);
        EXPECT_NE(stuffed.find("Gr\xc3\xbc\xc3\x9f"
                               "e\r\n\r\nZeile"),
                  std::string::npos);

        const ReceivedMessage received = ReadReceivedMessage(
            EventLines(parts.headers.substr(0, parts.headers.size() - 2), stuffed));
        ASSERT_EQ(received.kind, ReceivedMessage::Kind::Rich);
        EXPECT_EQ(TextOf(received.rich), "Gr\u00fc\u00dfe\n\nZeile \u263a\n");
        std::setlocale(LC_ALL, saved.c_str());
    }
}

struct ReceiveRow
{
    const char* name;
    std::string headers;
    std::string body;
    ReceivedMessage::Kind kind;
    std::string text; // the rich document's text, or the plain text
};

std::ostream& operator<<(std::ostream& out, const ReceiveRow& row)
{
    return out << row.name;
}

const std::string kMultipart = "Content-Type: multipart/alternative; boundary=\"AbC\"";
const std::string kPlainPart = "--AbC\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n";
const std::string kRichPart = "--AbC\r\nContent-Type: text/richtext\r\n\r\n";

using Kind = ReceivedMessage::Kind;

const ReceiveRow kReceiveRows[] = {
    {"own_body",
     "SessionId: s\r\nMIME-Version: 1.0\r\nContent-Type: multipart/alternative; "
     "boundary=\"==_09:05:03 Mon, 7 Dec 2026 ==_\"",
     StuffMessageBody(kGoldenBody), Kind::Rich, "Hi\n"},
    {"boundary_with_trailing_parameters",
     "Content-Type: multipart/alternative; boundary=\"AbC\"; charset=x",
     "\r\n" + kPlainPart + "p\r\n" + kRichPart + "{\\rtf1 r}\r\n--AbC--\r\n", Kind::Rich, "r"},
    {"unquoted_boundary", "Content-Type: multipart/alternative; boundary=AbC; x=y",
     kPlainPart + "p\r\n--AbC--", Kind::Plain, "p"},
    {"unquoted_boundary_then_blank", "Content-Type: multipart/alternative;boundary=AbC  ",
     kPlainPart + "p", Kind::Plain, "p"},
    {"folded_header", "Content-Type: multipart/alternative;\r\n\tboundary=\"AbC\"",
     kPlainPart + "p", Kind::Plain, "p"},
    {"delimiter_quoted_mid_line", kMultipart, kPlainPart + "see --AbC here\r\n--AbC\r\n",
     Kind::Plain, "see --AbC here"},
    {"part_without_content_type", kMultipart, "--AbC\r\n\r\nplain\r\n--AbC\r\n", Kind::Plain,
     "plain"},
    {"part_type_reset_at_delimiter", kMultipart,
     kRichPart + "{\\rtf1 \\par }\r\n--AbC\r\n\r\nsecond\r\n", Kind::Plain, "second"},
    {"case_insensitive_names", "content-type: MULTIPART/Alternative; BOUNDARY=\"AbC\"",
     "--abc\r\ncontent-TYPE: TEXT/PLAIN\r\n\r\nx", Kind::Plain, "x"},
    {"multipart_header_only_in_body", "SessionId: s", kMultipart + "\r\n\r\n" + kPlainPart + "p",
     Kind::Plain, kMultipart + "\n\n--AbC\nContent-Type: text/plain; charset=utf-8\n\np"},
    {"no_parts", kMultipart, "just text\r\nmore", Kind::Plain, "just text\nmore"},
    {"broken_rtf_shown_from_plain", kMultipart,
     kPlainPart + "fallback\r\n" + kRichPart + "{\\rtf1 {\\pict 0a0b", Kind::Plain, "fallback"},
    {"rfc1896_richtext_shown_from_plain", kMultipart,
     kPlainPart + "plain\r\n" + kRichPart + "<bold>rich</bold>", Kind::Plain, "plain"},
    {"neither_part_gives_whole_body", kMultipart, kPlainPart + "\r\n" + kRichPart + "<x>",
     Kind::Plain,
     "--AbC\nContent-Type: text/plain; charset=utf-8\n\n\n--AbC\nContent-Type: "
     "text/richtext\n\n<x>"},
    {"rich_part_in_utf8", kMultipart,
     kRichPart + "{\\rtf1 Gr\xc3\xbc\xc3\x9f"
                 "e}",
     Kind::Rich, "Gr\u00fc\u00dfe"},
    {"epilogue_ignored", kMultipart, kPlainPart + "a\r\n--AbC--\r\n" + kRichPart + "{\\rtf1 b}",
     Kind::Plain, "a"},
    {"plain_lines_kept", "SessionId: s", "line1\r\n\r\nline3\r\n\r\n", Kind::Plain,
     "line1\n\nline3"},
    {"lone_cr_is_a_break", "", "a\rb\r\nc\r", Kind::Plain, "a\nb\nc"},
    {"empty_body", kMultipart, "", Kind::Nothing, ""},
};

class ReceiveTable : public ::testing::TestWithParam<ReceiveRow>
{
};

TEST_P(ReceiveTable, Shows)
{
    const ReceiveRow& row = GetParam();
    const ReceivedMessage message = ReadReceivedMessage(EventLines(row.headers, row.body));
    EXPECT_EQ(message.kind, row.kind);
    EXPECT_EQ(message.kind == Kind::Rich ? TextOf(message.rich) : Utf8(message.plain), row.text);
}

INSTANTIATE_TEST_SUITE_P(Bodies, ReceiveTable, ::testing::ValuesIn(kReceiveRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadReceivedMessage, WithoutBody)
{
    EXPECT_EQ(ReadReceivedMessage({}).kind, Kind::Nothing);
    EXPECT_EQ(ReadReceivedMessage({u"MESSAGE", u"Content-Type: text/plain"}).kind, Kind::Nothing);
    // A Content-Type past the header block's cap is cut, not read on without end.
    const std::u16string huge =
        u"Content-Type: multipart/alternative; boundary=\"" + std::u16string(20000, u'x') + u"\"";
    const ReceivedMessage message = ReadReceivedMessage({u"MESSAGE", huge, u"", u"body"});
    EXPECT_EQ(Utf8(message.plain), "body");
}

} // namespace
} // namespace zep::conversations
