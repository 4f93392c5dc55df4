// The Windows code pages that 8-bit rich text declares (\ansicpgN, \fcharsetN), decoded
// through iconv. Descriptors and single-byte tables are built once per thread and kept.
#pragma once

#include <optional>
#include <string>

namespace zep::conversations {

inline constexpr int kCodePageAnsi = 1252;

// The code page of an \fcharsetN value, or 0 when the font takes the document's (ANSI,
// default, symbol or an unknown charset).
int CodePageForCharset(int charset);

// True when iconv can decode the code page here (so \ansicpgN may switch to it).
bool IsKnownCodePage(int codePage);

// True for the double-byte pages (932, 936, 949, 950, 1361) when `byte` starts a pair.
bool IsLeadByte(int codePage, unsigned char byte);

// Appends the character of one byte; U+FFFD when the page does not define it. An unknown
// page is read as 1252.
void DecodeByte(int codePage, unsigned char byte, std::u16string& out);

// Appends the character of a lead and a trail byte. False (and nothing appended) when the
// page has no such pair: the caller then reads the trail byte on its own.
bool DecodePair(int codePage, unsigned char lead, unsigned char trail, std::u16string& out);

// The code page 1252 byte of a character, if it has one (ASCII included).
std::optional<unsigned char> EncodeCp1252(char16_t c);

} // namespace zep::conversations
