// The control words the rich text reader acts on, by name. Words not listed are read over.
#pragma once

#include <cstdint>
#include <string_view>

namespace zep::conversations::rtf {

enum class Word : std::uint8_t
{
    SkipDest,
    FontTable,
    ColourTable,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Strike,
    Colour,
    Font,
    FontSize,
    Plain,
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    Charset,
    Red,
    Green,
    Blue,
    Uc,
    Unicode,
    Bin,
    Paragraph,
    Tab,
    Character // a fixed character, in the table's `c`
};

struct WordInfo
{
    Word word;
    char16_t c = 0;
};

// The word's meaning, or null for a word the reader does not act on.
const WordInfo* FindWord(std::string_view name);

} // namespace zep::conversations::rtf
