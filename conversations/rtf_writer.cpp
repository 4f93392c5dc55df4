#include "conversations/rtf_writer.h"

#include "conversations/code_pages.h"
#include "conversations/pane_colours.h"

#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <algorithm>
#include <cmath>
#include <vector>

namespace zep::conversations {

namespace {

// RTF ignores CR LF in its source, so long lines are broken between tokens for readers that
// hold a line at a time.
constexpr std::size_t kWrapColumn = 200;
constexpr int kDefaultHalfPoints = 20;

struct Format
{
    int font = 0;
    int halfPoints = kDefaultHalfPoints;
    int colour = 0; // \cfN: 0 is the default colour, 1.. the table's entries
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
};

class Writer
{
public:
    explicit Writer(const QTextDocument& document)
    {
        const QFont font = document.defaultFont();
        fonts_.push_back(FontName(font.family()));
        if (font.pointSizeF() > 0)
            defaultHalfPoints_ =
                std::clamp(static_cast<int>(std::lround(font.pointSizeF() * 2)), 1, 3276);
    }

    void Text(std::u16string_view text, const QTextCharFormat& format)
    {
        const Format wanted = FormatOf(format);
        for (char16_t c : text) {
            if (c == 0xfffc) // an embedded object: not written
                continue;
            if (!started_ || !Same(wanted, last_))
                Switch(wanted);
            Character(c);
        }
    }

    void Paragraph()
    {
        body_ += "\\par\r\n";
        column_ = 0;
    }

    std::string Finish() const
    {
        std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            out += "{\\f" + std::to_string(i) + "\\fnil\\fcharset0 ";
            AppendEscaped(out, fonts_[i]);
            out += ";}";
        }
        out += "}\r\n{\\colortbl ;";
        for (QRgb rgb : colours_) {
            out += "\\red" + std::to_string(qRed(rgb)) + "\\green" + std::to_string(qGreen(rgb)) +
                   "\\blue" + std::to_string(qBlue(rgb)) + ";";
        }
        out += "}\r\n\\viewkind4\\uc1\\pard ";
        out += body_;
        out += "\\par }";
        return out;
    }

private:
    static std::u16string FontName(const QString& family)
    {
        // A ';' would end the table entry early.
        std::u16string name = family.toStdU16String();
        std::erase(name, u';');
        return name;
    }

    static bool Same(const Format& a, const Format& b)
    {
        return a.font == b.font && a.halfPoints == b.halfPoints && a.colour == b.colour &&
               a.bold == b.bold && a.italic == b.italic && a.underline == b.underline &&
               a.strike == b.strike;
    }

    Format FormatOf(const QTextCharFormat& format)
    {
        Format f;
        const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
        if (!families.isEmpty() && !families.front().isEmpty()) {
            const std::u16string name = FontName(families.front());
            auto it = std::find(fonts_.begin(), fonts_.end(), name);
            f.font = static_cast<int>(it - fonts_.begin());
            if (it == fonts_.end())
                fonts_.push_back(name);
        }
        const double points = format.fontPointSize();
        f.halfPoints = points > 0 ? std::clamp(static_cast<int>(std::lround(points * 2)), 1, 3276)
                                  : defaultHalfPoints_;
        // The colour as the sender chose it, not as the pane draws it.
        if (const QColor written = WrittenColour(format); written.isValid()) {
            const QRgb rgb = written.rgb() & 0xffffff;
            auto it = std::find(colours_.begin(), colours_.end(), rgb);
            f.colour = static_cast<int>(it - colours_.begin()) + 1;
            if (it == colours_.end())
                colours_.push_back(rgb);
        }
        f.bold = format.fontWeight() > QFont::Medium;
        f.italic = format.fontItalic();
        f.underline = format.fontUnderline();
        f.strike = format.fontStrikeOut();
        return f;
    }

    void Word(const std::string& word)
    {
        body_ += '\\';
        body_ += word;
        body_ += ' ';
        column_ += word.size() + 2;
    }

    // Only what changed since the last run; the first run states font, size and colour.
    void Switch(const Format& f)
    {
        if (!started_ || f.font != last_.font)
            Word("f" + std::to_string(f.font));
        if (!started_ || f.halfPoints != last_.halfPoints)
            Word("fs" + std::to_string(f.halfPoints));
        if (!started_ || f.colour != last_.colour)
            Word("cf" + std::to_string(f.colour));
        if (f.bold != last_.bold)
            Word(f.bold ? "b" : "b0");
        if (f.italic != last_.italic)
            Word(f.italic ? "i" : "i0");
        if (f.underline != last_.underline)
            Word(f.underline ? "ul" : "ulnone");
        if (f.strike != last_.strike)
            Word(f.strike ? "strike" : "strike0");
        last_ = f;
        started_ = true;
    }

    void Character(char16_t c)
    {
        if (column_ >= kWrapColumn) {
            body_ += "\r\n";
            column_ = 0;
        }
        const std::size_t before = body_.size();
        if (c == 0x2028)
            body_ += "\\line ";
        else if (c == 0x2029)
            body_ += "\\par\r\n";
        else if (c == u'\t')
            body_ += "\\tab ";
        else if (c >= 0x20) // other control characters have no text to write
            AppendEscaped(body_, std::u16string_view(&c, 1));
        column_ += body_.size() - before;
    }

    static void AppendEscaped(std::string& out, std::u16string_view text)
    {
        static const char hex[] = "0123456789abcdef";
        for (char16_t c : text) {
            if (c == u'\\' || c == u'{' || c == u'}') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c >= 0x20 && c < 0x7f) {
                out += static_cast<char>(c);
            } else if (auto byte = EncodeCp1252(c); byte && c >= 0x80) {
                out += "\\'";
                out += hex[*byte >> 4];
                out += hex[*byte & 0xf];
            } else if (c >= 0x80) {
                // \uN takes a signed 16-bit number; "?" is the fallback that \uc1 skips.
                out += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "?";
            }
        }
    }

    std::vector<std::u16string> fonts_;
    std::vector<QRgb> colours_;
    int defaultHalfPoints_ = kDefaultHalfPoints;
    std::string body_;
    std::size_t column_ = 0;
    Format last_;
    bool started_ = false;
};

} // namespace

std::string WriteRtf(const QTextCursor& selection)
{
    const QTextDocument* document = selection.document();
    if (!document)
        return "{\\rtf1\\ansi\\ansicpg1252\\deff0\\viewkind4\\uc1\\pard\\par }";
    Writer writer(*document);
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    if (start < end) {
        for (QTextBlock block = document->findBlock(start);
             block.isValid() && block.position() < end; block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                const int from = std::max(fragment.position(), start);
                const int to = std::min(fragment.position() + fragment.length(), end);
                if (from >= to)
                    continue;
                const QString text = fragment.text().mid(from - fragment.position(), to - from);
                writer.Text(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                static_cast<std::size_t>(text.size())),
                            fragment.charFormat());
            }
            // The block's separator sits after its text; inside the selection it is a \par.
            if (block.position() + block.length() - 1 < end)
                writer.Paragraph();
        }
    }
    return writer.Finish();
}

} // namespace zep::conversations
