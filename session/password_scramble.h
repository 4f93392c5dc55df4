// The saved form of the password: a marker character and a keyed, private base-64 encoding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zep {

// The logon takes up to 79 characters; as UTF-8 that is at most 316 bytes.
inline constexpr std::size_t kMaxPasswordChars = 79;
inline constexpr std::size_t kMaxPasswordBytes = kMaxPasswordChars * 4;

enum class ScrambleForm
{
    // "+": every byte kept, no padding; what the messenger writes.
    Plus,
    // "%": the older form (leading "-" dropped, cut to 60 bytes, "*" padding). Kept so that
    // saved values written by older builds can be produced in tests; never written by the app.
    Percent,
};

// Plain (UTF-8) password to its saved form. An empty password has no saved form ("").
std::string PasswordScramble(std::string_view plain, ScrambleForm form = ScrambleForm::Plus);

// Saved form to the plain password. Reads the "+", "%" and "*" forms, the empty "&" form and
// plain text. A corrupt scrambled form (characters outside the alphabet, a partial group, too
// short) gives "", i.e. no saved password.
std::string PasswordUnscramble(std::string_view saved);

} // namespace zep
