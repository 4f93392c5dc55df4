// The presence words of the wire protocol, as the server checks them.
#pragma once

#include <string>
#include <string_view>

namespace zep::devserver {

inline constexpr std::string_view kAvailable = "AVAILABLE";
inline constexpr std::string_view kUnavailable = "UNAVAILABLE";
inline constexpr std::string_view kAwaySubStatus = "XA";

// Exact, upper case: "AVAILABLE" or "UNAVAILABLE".
bool IsStatusWord(std::string_view word);
// Exact, upper case; the empty word means none.
bool IsSubStatusWord(std::string_view word);
// Any case; the empty word means none.
bool IsContactMethodWord(std::string_view word);
std::string ToUpperWord(std::string_view word);

} // namespace zep::devserver
