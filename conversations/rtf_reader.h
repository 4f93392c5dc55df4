// Reading rich text that any client of the service may send. The parse is plain C++ (no Qt)
// and never fails: whatever text can be recovered is kept, everything else is skipped. The
// document is then built into a QTextDocument with QTextCursor calls, never through HTML.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QColor;
class QTextCursor;
class QTextCharFormat;

namespace zep::conversations {

struct RtfCharFormat
{
    std::u16string font; // face name from the font table; empty: the base font
    int halfPoints = 0;  // \fsN, clamped; 0: the base size
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    std::optional<std::uint32_t> colour; // 0xRRGGBB from the colour table; none: the base colour

    bool operator==(const RtfCharFormat&) const = default;
};

struct RtfRun
{
    std::u16string text;
    RtfCharFormat format;
};

struct RtfParagraph
{
    std::vector<RtfRun> runs;
};

struct RtfDocument
{
    // Each \par (or \line) ends a paragraph; text after the last one is a last paragraph that
    // `endsWithBreak` false marks.
    std::vector<RtfParagraph> paragraphs;
    bool endsWithBreak = false;

    // True when some run holds a character other than white space.
    bool HasVisibleText() const;
};

// Parses RTF bytes (7-bit, or 8-bit taken as the declared code page).
RtfDocument ParseRtf(std::string_view rtf);

// How bytes 0x80 and above outside control words are read: as the declared code page, or as
// UTF-8 (rich text that reached us already decoded to Unicode and was encoded back).
enum class RtfEightBit
{
    CodePage,
    Utf8
};
RtfDocument ParseRtf(std::string_view rtf, RtfEightBit eightBit);

// Limits on what a sender can make the reader hold or show.
inline constexpr std::size_t kRtfMaxDepth = 1000;
inline constexpr int kRtfMinHalfPoints = 2;
inline constexpr int kRtfMaxHalfPoints = 144;

// Inserts the document at the cursor; unformatted text takes `base`. Paragraph breaks are
// QTextCursor::insertBlock calls. With a `paneBase`, colours are kept as written and drawn
// readable on it (pane_colours.h).
void InsertRtf(QTextCursor& cursor, const RtfDocument& document, const QTextCharFormat& base,
               const QColor* paneBase = nullptr);

} // namespace zep::conversations
