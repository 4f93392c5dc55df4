#pragma once
// Colon-separated records with form-encoded values.

#include "common/im_result.h"

#include <string>
#include <string_view>
#include <vector>

namespace zep {

// Splits `line` at any character of `delimiters` into at most `maxFields` fields; the last
// field takes the rest of the line, delimiters included. With `keepEmpty` adjacent delimiters
// give empty fields; without it runs of delimiters are skipped. `fields` always holds
// `maxFields` entries (unused ones empty); `count` is the number found. NothingPending when
// `maxFields` is 0.
ImResult SplitFields(std::string_view line, std::string_view delimiters, int maxFields,
                     bool keepEmpty, std::vector<std::string>& fields, int& count);

// "+" becomes a space, "%hh" that byte; a "%" without two hexadecimal digits is dropped.
void FormDecode(std::string& text);
std::string FormDecoded(std::string_view text);

// Space becomes "+"; control bytes and the reserved characters become "%hh" (lower case).
std::string FormEncode(std::string_view text);

} // namespace zep
