// Our RTF writer on QTextDocument content, and reading RTF back into a document.
#include "conversations/message_parts.h"
#include "conversations/rtf_reader.h"
#include "conversations/rtf_writer.h"
#include "protocol/message_body.h"
#include "rich_text_rows.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

using testing::RunsOf;
using testing::TextOf;
using testing::Utf16;
using testing::Utf8;

constexpr char kHeader[] = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 "
                           "Sans;}}\r\n{\\colortbl ;}\r\n\\viewkind4\\uc1\\pard \\f0 \\fs20 \\cf0 ";

void Prepare(QTextDocument& document)
{
    document.setDefaultFont(QFont("Sans", 10));
}

std::string SelectAll(QTextDocument& document)
{
    QTextCursor cursor(&document);
    cursor.select(QTextCursor::Document);
    return WriteRtf(cursor);
}

bool SevenBit(const std::string& text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80 || c == '\0')
            return false;
    return true;
}

// Each fragment as "text/b,i,u,s,family,size,rrggbb"; blocks joined by " | ".
std::string Fragments(const QTextDocument& document)
{
    std::string out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            out += " | ";
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
            const QString family =
                families.isEmpty() ? document.defaultFont().family() : families.front();
            const double size =
                f.fontPointSize() > 0 ? f.fontPointSize() : document.defaultFont().pointSizeF();
            out += it.fragment().text().toStdString() + "/";
            out += f.fontWeight() > QFont::Medium ? "b" : "";
            out += f.fontItalic() ? "i" : "";
            out += f.fontUnderline() ? "u" : "";
            out += f.fontStrikeOut() ? "s" : "";
            out += "," + family.toStdString() + "," + std::to_string(size);
            if (f.foreground().style() != Qt::NoBrush)
                out += "," + f.foreground().color().name().toStdString();
            out += " ";
        }
    }
    return out;
}

TEST(WriteRtf, Golden)
{
    QTextDocument document;
    Prepare(document);
    QTextCursor(&document).insertText("Hello");
    EXPECT_EQ(SelectAll(document), std::string(kHeader) + "Hello\\par }");
}

TEST(WriteRtf, Characters)
{
    const struct
    {
        std::u16string text;
        const char* body;
    } rows[] = {
        {u"caf\u00e9 \u20ac \u00ff", "caf\\'e9 \\'80 \\'ff"},
        {u"\u263a\u0100", "\\u9786?\\u256?"},
        {u"\U0001f600", "\\u-10179?\\u-8704?"},
        {u"\uff01", "\\u-255?"},
        {u"\\{}", "\\\\\\{\\}"},
        {u"a\ufffcb", "ab"},
        {u"a\tb", "a\\tab b"},
        {u"x\u2028y", "x\\line y"},
    };
    for (const auto& row : rows) {
        QTextDocument document;
        Prepare(document);
        QTextCursor(&document).insertText(QString::fromStdU16String(row.text));
        const std::string rtf = SelectAll(document);
        EXPECT_EQ(rtf, std::string(kHeader) + row.body + "\\par }");
        EXPECT_TRUE(SevenBit(rtf)) << row.body;
        // Our reader gives back the text (U+FFFC is gone, U+2028 a paragraph).
        std::u16string expected = row.text;
        std::erase(expected, u'\ufffc');
        std::replace(expected.begin(), expected.end(), u'\u2028', u'\n');
        EXPECT_EQ(TextOf(ParseRtf(rtf)), Utf8(expected) + "\n");
    }
}

TEST(WriteRtf, SelectionBounds)
{
    QTextDocument document;
    Prepare(document);
    QTextCursor(&document).insertText("Hello world\nsecond line");
    const struct
    {
        int from, to;
        std::string text; // as the reader gives it back
    } rows[] = {
        {6, 11, "world\n"}, {6, 14, "world\nse\n"},
        {11, 12, "\n\n"},   {0, 23, "Hello world\nsecond line\n"},
        {3, 3, "\n"},
    };
    for (const auto& row : rows) {
        QTextCursor cursor(&document);
        cursor.setPosition(row.from);
        cursor.setPosition(row.to, QTextCursor::KeepAnchor);
        const std::string rtf = WriteRtf(cursor);
        EXPECT_EQ(TextOf(ParseRtf(rtf)), row.text) << row.from << ".." << row.to;
        EXPECT_EQ(rtf.substr(rtf.size() - 6), "\\par }");
    }
}

// A document with every format we write, through the writer, the reader and back in.
TEST(RtfRoundTrip, KeepsTextAndFormats)
{
    QTextDocument source;
    Prepare(source);
    QTextCursor cursor(&source);
    const auto add = [&cursor](const char* text, auto set) {
        QTextCharFormat f;
        set(f);
        cursor.insertText(text, f);
    };
    add("plain ", [](QTextCharFormat&) {});
    add("bold ", [](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); });
    add("ital ", [](QTextCharFormat& f) { f.setFontItalic(true); });
    add("under ", [](QTextCharFormat& f) { f.setFontUnderline(true); });
    add("strike ", [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
    add("red ", [](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });
    add("mono", [](QTextCharFormat& f) {
        f.setFontFamilies({"Courier New"});
        f.setFontPointSize(14);
    });
    cursor.insertBlock();
    add("blue {bold}", [](QTextCharFormat& f) {
        f.setForeground(QColor(0, 0, 255));
        f.setFontWeight(QFont::Bold);
    });
    cursor.insertBlock();
    cursor.insertBlock();
    add("\u00e9nd \u263a", [](QTextCharFormat& f) { f.setForeground(QColor(255, 0, 0)); });

    const std::string rtf = SelectAll(source);
    EXPECT_TRUE(SevenBit(rtf));
    const RtfDocument parsed = ParseRtf(rtf);
    EXPECT_EQ(RunsOf(parsed),
              "plain /f=Sans,fs=20 bold /b,f=Sans,fs=20 ital /i,f=Sans,fs=20 under /u,f=Sans,"
              "fs=20 strike /s,f=Sans,fs=20 red /f=Sans,fs=20,c=ff0000 mono/f=Courier New,fs=28"
              " | blue {bold}/b,f=Sans,fs=20,c=0000ff |  | \u00e9nd \u263a/f=Sans,fs=20,c=ff0000");

    QTextDocument target;
    target.setDefaultFont(QFont("Serif", 12));
    QTextCursor insert(&target);
    InsertRtf(insert, parsed, QTextCharFormat());
    EXPECT_EQ(target.toPlainText(), source.toPlainText() + "\n");
    // The target's own default font differs: every run states its font and size.
    EXPECT_EQ(Fragments(target), Fragments(source) + " | ");
}

TEST(InsertRtf, BaseFormatAndBlocks)
{
    const struct
    {
        const char* rtf;
        const char* fragments;
    } rows[] = {
        {R"({\rtf1 a\par b})", "a/,Base,9.000000,#808080  | b/,Base,9.000000,#808080 "},
        {R"({\rtf1 a\par })", "a/,Base,9.000000,#808080  | "},
        {R"({\rtf1{\colortbl;\red0\green128\blue0;}\cf1\b x\cf0\b0\i y})",
         "x/b,Base,9.000000,#008000 y/i,Base,9.000000,#808080 "},
        {R"({\rtf1{\fonttbl{\f0 Mono;}}\f0\fs30 z})", "z/,Mono,15.000000,#808080 "},
        {"not rtf", ""},
    };
    for (const auto& row : rows) {
        QTextDocument document;
        document.setDefaultFont(QFont("Base", 9));
        QTextCharFormat base;
        base.setForeground(QColor(128, 128, 128));
        QTextCursor cursor(&document);
        InsertRtf(cursor, ParseRtf(row.rtf), base);
        EXPECT_EQ(Fragments(document), row.fragments) << row.rtf;
    }
}

// What the input pane holds, sent as a MESSAGE body and shown on the other side.
TEST(RtfRoundTrip, ThroughMessageBody)
{
    QTextDocument input;
    Prepare(input);
    QTextCursor(&input).insertText(QString::fromUtf8("Gr\u00fc\u00dfe\n\n.Zeile \u263a"));
    const std::string plain = OutgoingPlainText(input.toPlainText().toStdU16String());
    const std::string rtf = SelectAll(input);
    EXPECT_TRUE(SevenBit(rtf));
    std::tm time{};
    time.tm_mday = 7;
    time.tm_wday = 1;
    time.tm_mon = 11;
    time.tm_year = 126;
    const MessageParts parts = BuildMessageParts("s", plain, rtf, time);
    const std::string wire = StuffMessageBody(parts.body);

    // The server takes the dots back off; the view splits at LF and decodes UTF-8.
    const std::size_t type = parts.headers.find("Content-");
    const std::string typeLine = parts.headers.substr(type, parts.headers.size() - type - 2);
    std::vector<std::u16string> lines{u"MESSAGE", u"SessionId: s", u"MIME-Version: 1.0",
                                      Utf16(typeLine), u""};
    for (std::size_t pos = 0; pos < wire.size();) {
        const std::size_t lf = wire.find('\n', pos);
        std::string line = wire.substr(pos, lf - pos);
        if (line.starts_with(".."))
            line.erase(0, 1);
        lines.push_back(Utf16(line));
        pos = lf + 1;
    }
    const ReceivedMessage received = ReadReceivedMessage(lines);
    ASSERT_EQ(received.kind, ReceivedMessage::Kind::Rich);

    QTextDocument history;
    QTextCursor cursor(&history);
    InsertRtf(cursor, received.rich, QTextCharFormat());
    EXPECT_EQ(history.toPlainText(), input.toPlainText() + "\n");
}

} // namespace
} // namespace zep::conversations
