// Small text helpers shared by the development server: case-insensitive comparison, trimming,
// splitting and whole numbers. The form encoding of record values is the protocol core's
// (protocol/fields.h).
#pragma once

#include "protocol/fields.h"

#include <string>
#include <string_view>
#include <vector>

namespace zep::devserver {

std::string ToLower(std::string_view text);
bool IEquals(std::string_view a, std::string_view b);
bool IContains(std::string_view haystack, std::string_view needle);
std::string_view Trim(std::string_view text);

// Splits at every occurrence of `delimiter`, trimming each piece and dropping empty pieces.
std::vector<std::string> SplitList(std::string_view text, char delimiter);

// Parses a whole signed decimal number (optional leading '-'); false on anything else.
bool ParseInt(std::string_view text, long long& out);

// Number of Unicode code points in UTF-8 text (continuation bytes are not counted).
size_t Utf8Length(std::string_view text);

} // namespace zep::devserver
