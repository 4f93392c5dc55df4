#include "conversations/code_pages.h"
#include "conversations/rtf_reader.h"
#include "conversations/rtf_words.h"
#include "protocol/utf_text.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

namespace zep::conversations {

namespace {

using rtf::Word;
using rtf::WordInfo;

constexpr std::size_t kMaxWordLength = 32;
constexpr int kMaxDigits = 10;
constexpr std::size_t kMaxFonts = 1024;
constexpr std::size_t kMaxColours = 1024;
constexpr std::size_t kMaxFontName = 31; // what a face name holds on the senders' side
constexpr int kMaxUc = 8;
constexpr char16_t kReplacement = 0xfffd;

enum class Dest : std::uint8_t
{
    Text,
    Skip,
    FontTable,
    ColourTable
};

struct Group
{
    Dest dest = Dest::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int font = -1;   // font number, -1: none chosen
    int colour = -1; // colour table index, -1: none chosen
    int halfPoints = 0;
    int uc = 1;
};

struct FontEntry
{
    std::u16string name;
    int codePage = 0; // 0: the document's
};

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
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

// Plain ASCII text that needs no decoding: the bulk of most documents.
bool IsPlainText(char c)
{
    return c >= 0x20 && c <= 0x7e && c != '\\' && c != '{' && c != '}';
}

bool IsBlank(char16_t c)
{
    switch (c) {
    case u' ':
    case u'\t':
    case 0x00a0:
    case 0x00ad:
    case 0x3000:
    case 0xfeff:
    case 0xfffc:
        return true;
    default:
        return (c >= 0x2000 && c <= 0x200f) || c == 0x2028 || c == 0x2029 || c < 0x20;
    }
}

class Parser
{
public:
    Parser(std::string_view in, RtfEightBit eightBit)
        : in_(in), utf8_(eightBit == RtfEightBit::Utf8)
    {
    }

    RtfDocument Run()
    {
        // Anything that does not open as RTF is no rich text (an RFC 1896 part, say): the
        // caller then shows the plain part instead.
        std::size_t start = in_.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos || in_.substr(start, 5) != "{\\rtf")
            return {};
        pos_ = start;
        stack_.reserve(64);
        bool closed = false;
        while (pos_ < in_.size() && !closed) {
            const char c = in_[pos_];
            switch (c) {
            case '{':
                ++pos_;
                OpenGroup();
                break;
            case '}':
                ++pos_;
                closed = CloseGroup();
                break;
            case '\\':
                ++pos_;
                Control();
                break;
            case '\r':
            case '\n':
                ++pos_;
                break;
            default:
                Literal();
                break;
            }
        }
        FlushLead();
        std::erase_if(current_.runs, [](const RtfRun& r) { return r.text.empty(); });
        if (!current_.runs.empty()) {
            document_.paragraphs.push_back(std::move(current_));
            document_.endsWithBreak = false;
        } else {
            document_.endsWithBreak = !document_.paragraphs.empty();
        }
        return std::move(document_);
    }

private:
    Group& Top() { return stack_.back(); }
    // Text, control words and tables are read only inside a group we keep.
    bool Ignoring() const { return overflow_ > 0 || stack_.empty(); }
    bool InText() const { return !Ignoring() && stack_.back().dest == Dest::Text; }

    void OpenGroup()
    {
        FlushLead();
        skip_ = 0;
        // Past the cap the braces are only counted, so a flood of "{" costs no memory.
        if (overflow_ > 0 || stack_.size() >= kRtfMaxDepth) {
            ++overflow_;
            return;
        }
        if (stack_.empty())
            stack_.emplace_back();
        else
            stack_.push_back(stack_.back());
    }

    // True when the outermost group closed: the document ends there.
    bool CloseGroup()
    {
        FlushLead();
        skip_ = 0;
        if (overflow_ > 0) {
            --overflow_;
            return false;
        }
        if (stack_.empty())
            return false;
        const Dest dest = stack_.back().dest;
        if (dest == Dest::FontTable)
            CommitFont();
        else if (dest == Dest::ColourTable && colourSet_)
            CommitColour();
        stack_.pop_back();
        Changed();
        return stack_.empty();
    }

    void Changed()
    {
        formatDirty_ = true;
        codePageDirty_ = true;
    }

    void Literal()
    {
        if (!Ignoring() && (Top().dest == Dest::FontTable || Top().dest == Dest::ColourTable)) {
            TableChar(in_[pos_++]);
            return;
        }
        if (!InText()) {
            // Skipped content: only braces, control words and \bin matter.
            const std::size_t next = in_.find_first_of("{}\\", pos_);
            pos_ = next == std::string_view::npos ? in_.size() : next;
            return;
        }
        const unsigned char c = static_cast<unsigned char>(in_[pos_]);
        if (IsPlainText(static_cast<char>(c)) && skip_ == 0 && lead_ == 0) {
            std::size_t end = pos_ + 1;
            while (end < in_.size() && IsPlainText(in_[end]))
                ++end;
            std::u16string& text = RunText();
            text.append(in_.begin() + static_cast<std::ptrdiff_t>(pos_),
                        in_.begin() + static_cast<std::ptrdiff_t>(end));
            pos_ = end;
            return;
        }
        if (c >= 0x80 && utf8_) {
            std::size_t end = pos_ + 1;
            while (end < in_.size() && static_cast<unsigned char>(in_[end]) >= 0x80)
                ++end;
            FlushLead();
            for (char16_t u : Utf8ToUtf16Lenient(in_.substr(pos_, end - pos_)))
                EmitChar(u);
            pos_ = end;
            return;
        }
        ++pos_;
        if (c == '\t')
            EmitChar(u'\t');
        else if (c >= 0x20 && c != 0x7f)
            EmitByte(c);
        // Other control characters carry nothing a reader could see.
    }

    // A character of the font or colour table: ';' ends an entry, the rest names a font.
    void TableChar(char c)
    {
        if (Top().dest == Dest::ColourTable) {
            if (c == ';')
                CommitColour();
            return;
        }
        if (c == ';') {
            CommitFont();
            return;
        }
        if (static_cast<unsigned char>(c) >= 0x20)
            EmitByte(static_cast<unsigned char>(c));
    }

    void Control()
    {
        if (pos_ >= in_.size())
            return;
        const char first = in_[pos_];
        if (!IsLetter(first)) {
            ++pos_;
            Symbol(first);
            return;
        }
        const std::size_t start = pos_;
        while (pos_ < in_.size() && IsLetter(in_[pos_]))
            ++pos_;
        const std::string_view name = in_.substr(start, pos_ - start);
        bool negative = false;
        if (pos_ + 1 < in_.size() && in_[pos_] == '-' && IsDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        bool hasParam = false;
        long long value = 0;
        int digits = 0;
        while (pos_ < in_.size() && IsDigit(in_[pos_])) {
            // Digits past the cap are read over but add nothing, so the value cannot overflow.
            if (digits++ < kMaxDigits)
                value = value * 10 + (in_[pos_] - '0');
            hasParam = true;
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        if (negative)
            value = -value;
        value = std::clamp<long long>(value, std::numeric_limits<int>::min(),
                                      std::numeric_limits<int>::max());
        if (name.size() > kMaxWordLength)
            return;
        const WordInfo* info = rtf::FindWord(name);
        if (!info) {
            if (!Ignoring() && skip_ > 0)
                skip_ = 0;
            return;
        }
        Apply(*info, hasParam, static_cast<int>(value));
    }

    void Symbol(char c)
    {
        if (c == '\'') {
            int byte = -1;
            for (int i = 0; i < 2 && pos_ < in_.size(); ++i) {
                const int h = HexValue(in_[pos_]);
                if (h < 0)
                    break;
                byte = (byte < 0 ? 0 : byte * 16) + h;
                ++pos_;
            }
            if (byte < 0 || Ignoring())
                return;
            if (Top().dest == Dest::Text || Top().dest == Dest::FontTable)
                EmitByte(static_cast<unsigned char>(byte));
            return;
        }
        if (Ignoring())
            return;
        if (c == '*') {
            Top().dest = Dest::Skip;
            return;
        }
        if (Top().dest == Dest::FontTable && (c == '\\' || c == '{' || c == '}')) {
            EmitByte(static_cast<unsigned char>(c));
            return;
        }
        if (Top().dest != Dest::Text)
            return;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            EmitChar(static_cast<char16_t>(c));
            break;
        case '~':
            EmitChar(0x00a0);
            break;
        case '-':
            EmitChar(0x00ad);
            break;
        case '_':
            EmitChar(0x2011);
            break;
        case '\r':
        case '\n':
            skip_ = 0;
            EndParagraph();
            break;
        default:
            break; // \| \: and unknown symbols show nothing
        }
    }

    void Apply(WordInfo info, bool hasParam, int value)
    {
        // \bin data is skipped wherever it appears, or its bytes would be read as RTF.
        if (info.word == Word::Bin) {
            FlushLead();
            skip_ = 0;
            const std::size_t count =
                hasParam && value > 0 ? static_cast<std::size_t>(value) : std::size_t{0};
            pos_ += std::min(count, in_.size() - pos_);
            return;
        }
        if (Ignoring() || Top().dest == Dest::Skip)
            return;
        FlushLead();
        // A control word ends the fallback text of a \uN.
        skip_ = 0;
        Group& g = Top();
        const bool on = !hasParam || value != 0;
        switch (info.word) {
        case Word::SkipDest:
            g.dest = Dest::Skip;
            break;
        case Word::FontTable:
            g.dest = Dest::FontTable;
            pendingFont_ = {};
            pendingNumber_ = -1;
            pendingCharset_ = 0;
            Changed();
            break;
        case Word::ColourTable:
            g.dest = Dest::ColourTable;
            red_ = green_ = blue_ = 0;
            colourSet_ = false;
            break;
        case Word::Bold:
            SetFlag(g.bold, on);
            break;
        case Word::Italic:
            SetFlag(g.italic, on);
            break;
        case Word::Underline:
            SetFlag(g.underline, on);
            break;
        case Word::UnderlineNone:
            SetFlag(g.underline, false);
            break;
        case Word::Strike:
            SetFlag(g.strike, on);
            break;
        case Word::Colour:
            g.colour = hasParam ? value : 0;
            formatDirty_ = true;
            break;
        case Word::Font:
            if (g.dest == Dest::FontTable) {
                if (pendingNumber_ >= 0 && !pendingFont_.empty())
                    CommitFont();
                pendingNumber_ = hasParam ? value : 0;
            } else if (g.dest == Dest::Text) {
                g.font = hasParam ? value : 0;
                Changed();
            }
            break;
        case Word::FontSize:
            g.halfPoints = !hasParam    ? 24
                           : value <= 0 ? 0
                                        : std::clamp(value, kRtfMinHalfPoints, kRtfMaxHalfPoints);
            formatDirty_ = true;
            break;
        case Word::Plain:
            g.bold = g.italic = g.underline = g.strike = false;
            g.font = -1;
            g.colour = -1;
            g.halfPoints = 0;
            Changed();
            break;
        case Word::Ansi:
            SetDocumentCodePage(1252);
            break;
        case Word::Mac:
            SetDocumentCodePage(10000);
            break;
        case Word::Pc:
            SetDocumentCodePage(437);
            break;
        case Word::Pca:
            SetDocumentCodePage(850);
            break;
        case Word::AnsiCodePage:
            if (hasParam)
                SetDocumentCodePage(value);
            break;
        case Word::DefaultFont:
            defaultFont_ = hasParam ? value : 0;
            codePageDirty_ = true;
            break;
        case Word::Charset:
            if (g.dest == Dest::FontTable) {
                pendingCharset_ = hasParam ? value : 0;
                codePageDirty_ = true;
            }
            break;
        case Word::Red:
            SetComponent(red_, hasParam, value);
            break;
        case Word::Green:
            SetComponent(green_, hasParam, value);
            break;
        case Word::Blue:
            SetComponent(blue_, hasParam, value);
            break;
        case Word::Uc:
            g.uc = hasParam ? std::clamp(value, 0, kMaxUc) : 1;
            break;
        case Word::Unicode:
            // Font names too: our own writer spells a non-ASCII name so.
            if (hasParam && (g.dest == Dest::Text || g.dest == Dest::FontTable)) {
                EmitUnicode(value);
                skip_ = g.uc;
            }
            break;
        case Word::Bin:
            break;
        case Word::Paragraph:
            if (g.dest == Dest::Text)
                EndParagraph();
            break;
        case Word::Tab:
            if (g.dest == Dest::Text)
                EmitChar(u'\t');
            break;
        case Word::Character:
            if (g.dest == Dest::Text)
                EmitChar(info.c);
            break;
        }
    }

    void SetFlag(bool& flag, bool on)
    {
        flag = on;
        formatDirty_ = true;
    }

    void SetComponent(int& component, bool hasParam, int value)
    {
        if (Top().dest != Dest::ColourTable)
            return;
        component = hasParam ? std::clamp(value, 0, 255) : 0;
        colourSet_ = true;
    }

    void SetDocumentCodePage(int codePage)
    {
        if (IsKnownCodePage(codePage)) {
            documentCodePage_ = codePage;
            codePageDirty_ = true;
        }
    }

    void EmitUnicode(int value)
    {
        long code = value < 0 ? value + 65536L : value;
        if (code == 0)
            return;
        if (code > 0xffff && code <= 0x10ffff) {
            code -= 0x10000;
            AppendChar(static_cast<char16_t>(0xd800 + (code >> 10)));
            AppendChar(static_cast<char16_t>(0xdc00 + (code & 0x3ff)));
            return;
        }
        AppendChar(code > 0xffff || code < 0 ? kReplacement : static_cast<char16_t>(code));
    }

    // A character of the text, unless it is fallback text of a \uN being skipped.
    void EmitChar(char16_t c)
    {
        FlushLead();
        if (skip_ > 0) {
            --skip_;
            return;
        }
        AppendChar(c);
    }

    // A byte of the current code page; a lead byte of a double-byte page waits for its trail.
    void EmitByte(unsigned char byte)
    {
        if (skip_ > 0) {
            --skip_;
            return;
        }
        const int codePage = CodePage();
        scratch_.clear();
        if (lead_ != 0) {
            const unsigned char lead = lead_;
            lead_ = 0;
            if (DecodePair(leadCodePage_, lead, byte, scratch_)) {
                AppendText(scratch_);
                return;
            }
            // No such pair: the lead alone is lost, the trail is read on its own.
            AppendChar(kReplacement);
        }
        if (IsLeadByte(codePage, byte)) {
            lead_ = byte;
            leadCodePage_ = codePage;
            return;
        }
        DecodeByte(codePage, byte, scratch_);
        AppendText(scratch_);
    }

    void FlushLead()
    {
        if (lead_ != 0) {
            lead_ = 0;
            AppendChar(kReplacement);
        }
    }

    void AppendChar(char16_t c)
    {
        if (Ignoring())
            return;
        if (Top().dest == Dest::FontTable) {
            if (pendingFont_.size() < kMaxFontName)
                pendingFont_.push_back(c);
            return;
        }
        // Control characters show nothing; line breaks come only from \par and \line.
        if (Top().dest == Dest::Text && (c >= 0x20 || c == u'\t'))
            RunText().push_back(c);
    }

    void AppendText(const std::u16string& text)
    {
        for (char16_t c : text)
            AppendChar(c);
    }

    int CodePage()
    {
        if (!codePageDirty_)
            return codePage_;
        codePageDirty_ = false;
        int font = defaultFont_;
        int fontCodePage = 0;
        if (!stack_.empty()) {
            if (Top().dest == Dest::FontTable)
                fontCodePage = CodePageForCharset(pendingCharset_);
            else if (Top().font >= 0)
                font = Top().font;
        }
        if (fontCodePage == 0) {
            const auto it = fonts_.find(font);
            if (it != fonts_.end())
                fontCodePage = it->second.codePage;
        }
        codePage_ = fontCodePage != 0 ? fontCodePage : documentCodePage_;
        return codePage_;
    }

    // The text of the run that takes the next character, started when the format changed.
    std::u16string& RunText()
    {
        if (formatDirty_ || current_.runs.empty()) {
            formatDirty_ = false;
            RtfCharFormat format = CurrentFormat();
            if (current_.runs.empty() || current_.runs.back().format != format) {
                if (!current_.runs.empty() && current_.runs.back().text.empty())
                    current_.runs.back().format = std::move(format);
                else
                    current_.runs.push_back(RtfRun{{}, std::move(format)});
            }
        }
        return current_.runs.back().text;
    }

    RtfCharFormat CurrentFormat() const
    {
        const Group& g = stack_.back();
        RtfCharFormat f;
        f.bold = g.bold;
        f.italic = g.italic;
        f.underline = g.underline;
        f.strike = g.strike;
        f.halfPoints = g.halfPoints;
        if (g.font >= 0) {
            const auto it = fonts_.find(g.font);
            if (it != fonts_.end())
                f.font = it->second.name;
        }
        if (g.colour >= 0 && static_cast<std::size_t>(g.colour) < colours_.size())
            f.colour = colours_[static_cast<std::size_t>(g.colour)];
        return f;
    }

    void EndParagraph()
    {
        FlushLead();
        std::erase_if(current_.runs, [](const RtfRun& r) { return r.text.empty(); });
        document_.paragraphs.push_back(std::move(current_));
        current_ = {};
        formatDirty_ = true;
    }

    void CommitFont()
    {
        FlushLead();
        if (pendingNumber_ >= 0 && (fonts_.size() < kMaxFonts || fonts_.count(pendingNumber_))) {
            const std::size_t first = pendingFont_.find_first_not_of(u' ');
            const std::size_t last = pendingFont_.find_last_not_of(u' ');
            FontEntry& entry = fonts_[pendingNumber_];
            entry.name = first == std::u16string::npos
                             ? std::u16string()
                             : pendingFont_.substr(first, last - first + 1);
            entry.codePage = CodePageForCharset(pendingCharset_);
        }
        pendingFont_.clear();
        pendingNumber_ = -1;
        pendingCharset_ = 0;
        Changed();
    }

    void CommitColour()
    {
        if (colours_.size() < kMaxColours) {
            if (colourSet_)
                colours_.push_back(
                    static_cast<std::uint32_t>((red_ << 16) | (green_ << 8) | blue_));
            else
                colours_.push_back(std::nullopt);
        }
        red_ = green_ = blue_ = 0;
        colourSet_ = false;
        formatDirty_ = true;
    }

    std::string_view in_;
    bool utf8_;
    std::size_t pos_ = 0;
    std::vector<Group> stack_;
    std::size_t overflow_ = 0; // groups opened past the depth cap and not yet closed
    int skip_ = 0;             // fallback characters of the last \uN still to skip

    RtfDocument document_;
    RtfParagraph current_;
    bool formatDirty_ = true;

    int documentCodePage_ = kCodePageAnsi;
    int defaultFont_ = -1;
    int codePage_ = kCodePageAnsi;
    bool codePageDirty_ = true;
    unsigned char lead_ = 0;
    int leadCodePage_ = 0;
    std::u16string scratch_;

    std::unordered_map<int, FontEntry> fonts_;
    std::u16string pendingFont_;
    int pendingNumber_ = -1;
    int pendingCharset_ = 0;

    std::vector<std::optional<std::uint32_t>> colours_;
    int red_ = 0;
    int green_ = 0;
    int blue_ = 0;
    bool colourSet_ = false;
};

} // namespace

bool RtfDocument::HasVisibleText() const
{
    for (const RtfParagraph& p : paragraphs)
        for (const RtfRun& r : p.runs)
            for (char16_t c : r.text)
                if (!IsBlank(c))
                    return true;
    return false;
}

RtfDocument ParseRtf(std::string_view rtf)
{
    return Parser(rtf, RtfEightBit::CodePage).Run();
}

RtfDocument ParseRtf(std::string_view rtf, RtfEightBit eightBit)
{
    return Parser(rtf, eightBit).Run();
}

} // namespace zep::conversations
