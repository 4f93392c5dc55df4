#pragma once
// UTF-8 and UTF-16 text: strict conversion between the two and cutting to a capacity without
// splitting a character.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zep {

// Strict: false (and `out` empty) on malformed input, overlong forms, surrogates encoded in
// UTF-8, or code points above U+10FFFF.
bool Utf8ToUtf16(std::string_view in, std::u16string& out);
// Strict: false (and `out` empty) on an unpaired surrogate.
bool Utf16ToUtf8(std::u16string_view in, std::string& out);
// Appends one code point in UTF-8; false, and nothing appended, for a surrogate or a code
// point above U+10FFFF.
bool AppendUtf8(std::string& out, std::uint32_t codePoint);
// Never fails: each malformed sequence becomes U+FFFD, so a stray byte loses no other text.
std::u16string Utf8ToUtf16Lenient(std::string_view in);

// The longest prefix of at most `maxBytes` bytes that does not end inside a UTF-8 sequence.
std::string_view Utf8Prefix(std::string_view text, std::size_t maxBytes);
// The longest prefix of at most `maxUnits` units that does not end between a surrogate pair.
std::u16string_view Utf16Prefix(std::u16string_view text, std::size_t maxUnits);

// Cut in place to a field of `capacity` (terminator included): at most capacity - 1 units.
void CutToCapacity(std::string& text, std::size_t capacity);
void CutToCapacity(std::u16string& text, std::size_t capacity);

// ASCII-only case folding: the protocol's names and addresses compare this way.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
std::string AsciiLower(std::string_view text);

} // namespace zep
