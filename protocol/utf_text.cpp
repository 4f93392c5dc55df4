#include "protocol/utf_text.h"

#include <cstdint>

namespace zep {

namespace {

// Decodes one sequence at `pos`; the code point, or -1 for a malformed one (then `length` is
// the number of bytes to skip).
long DecodeUtf8(std::string_view in, std::size_t pos, std::size_t& length)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(in[i]); };
    unsigned char lead = byte(pos);
    length = 1;
    if (lead < 0x80)
        return lead;
    std::size_t need;
    long cp;
    long minimum;
    if ((lead & 0xe0) == 0xc0) {
        need = 1;
        cp = lead & 0x1f;
        minimum = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
        need = 2;
        cp = lead & 0x0f;
        minimum = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
        need = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else {
        return -1;
    }
    for (std::size_t i = 1; i <= need; ++i) {
        if (pos + i >= in.size() || (byte(pos + i) & 0xc0) != 0x80) {
            length = i;
            return -1;
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3f);
    }
    length = need + 1;
    if (cp < minimum || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        return -1;
    return cp;
}

void AppendUtf16(std::u16string& out, long cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xd800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xdc00 + (cp & 0x3ff)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool Utf8ToUtf16(std::string_view in, std::u16string& out)
{
    out.clear();
    out.reserve(in.size());
    for (std::size_t pos = 0; pos < in.size();) {
        std::size_t length = 0;
        long cp = DecodeUtf8(in, pos, length);
        if (cp < 0) {
            out.clear();
            return false;
        }
        AppendUtf16(out, cp);
        pos += length;
    }
    return true;
}

std::u16string Utf8ToUtf16Lenient(std::string_view in)
{
    std::u16string out;
    out.reserve(in.size());
    for (std::size_t pos = 0; pos < in.size();) {
        std::size_t length = 0;
        long cp = DecodeUtf8(in, pos, length);
        AppendUtf16(out, cp < 0 ? 0xfffd : cp);
        pos += length;
    }
    return out;
}

bool AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff))
        return false;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    }
    return true;
}

bool Utf16ToUtf8(std::u16string_view in, std::string& out)
{
    out.clear();
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size(); ++i) {
        std::uint32_t cp = in[i];
        if (cp >= 0xd800 && cp <= 0xdbff) {
            if (i + 1 >= in.size() || in[i + 1] < 0xdc00 || in[i + 1] > 0xdfff) {
                out.clear();
                return false;
            }
            cp = 0x10000 + ((cp - 0xd800) << 10) + (in[i + 1] - 0xdc00);
            ++i;
        } else if (cp >= 0xdc00 && cp <= 0xdfff) {
            out.clear();
            return false;
        }
        AppendUtf8(out, cp); // a whole pair or a lone unit: always a character
    }
    return true;
}

std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t cut = maxBytes;
    // Step back over continuation bytes to the lead byte of the character that was cut.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80)
        --cut;
    return text.substr(0, cut);
}

std::u16string_view Utf16Prefix(std::u16string_view text, std::size_t maxUnits)
{
    if (text.size() <= maxUnits)
        return text;
    std::size_t cut = maxUnits;
    if (cut > 0 && text[cut - 1] >= 0xd800 && text[cut - 1] <= 0xdbff)
        --cut;
    return text.substr(0, cut);
}

void CutToCapacity(std::string& text, std::size_t capacity)
{
    if (capacity == 0) {
        text.clear();
        return;
    }
    text.resize(Utf8Prefix(text, capacity - 1).size());
}

void CutToCapacity(std::u16string& text, std::size_t capacity)
{
    if (capacity == 0) {
        text.clear();
        return;
    }
    text.resize(Utf16Prefix(text, capacity - 1).size());
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string AsciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = Lower(c);
    return out;
}

} // namespace zep
