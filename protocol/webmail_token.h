// The webmail log-on token: "address:password", scrambled with the webmail's own 64-character
// alphabet and 6-byte key. The messenger writes it into the webmail's log-on address and the
// webmail service (zep-devserver's among them) reads it back; both sides use this one
// definition. No Qt, no exceptions: plain bytes in, ImResult out.
#pragma once

#include "common/im_result.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zep {

// The scramble reads at most this many bytes of text.
inline constexpr std::size_t kMaxWebmailTokenTextBytes = 20479;

// The longest credentials a token carries: a 256-character address and a 79-character
// password, each as UTF-8 (up to four bytes a character).
inline constexpr std::size_t kMaxWebmailAddressBytes = 256 * 4;
inline constexpr std::size_t kMaxWebmailPasswordBytes = 79 * 4;
inline constexpr std::size_t kMaxWebmailCredentialBytes =
    kMaxWebmailAddressBytes + 1 + kMaxWebmailPasswordBytes;

// Scrambled length of `bytes` of text: four characters for each group of three bytes, at least
// two groups.
constexpr std::size_t WebmailScrambledLength(std::size_t bytes)
{
    const std::size_t groups = (bytes + 2) / 3;
    return 4 * (groups < 2 ? 2 : groups);
}

// Room for the form-encoded token of the longest credentials: every character may become
// "%hh".
inline constexpr std::size_t kMaxWebmailTokenEncodedChars =
    3 * WebmailScrambledLength(kMaxWebmailCredentialBytes);

namespace webmail_token {
// The alphabet holds characters that must be form-encoded in an address ("+", "/"), so the
// encoding step is never skipped by accident.
inline constexpr std::string_view kAlphabet =
    "Hq4/tWzK8nR+aLcX0mVjE2sPbY6fOdUg9iNkT1wAe3ZrSxG5hClQ7vMyBuFoJpDI";
inline constexpr std::array<std::uint8_t, 6> kKey = {0xc3, 0x5e, 0x19, 0xa7, 0x72, 0x3d};
} // namespace webmail_token

// Text (no NUL bytes, at most kMaxWebmailTokenTextBytes) to its scrambled form. BadArgument
// for a NUL byte (the reader stops at the first 0), TooLarge for longer text.
ImResult WebmailTokenScramble(std::string_view text, std::string& scrambled);

// The scrambled form back to the text, which ends at the first 0 byte. BadArgument for a
// character outside the alphabet, a partial group or fewer than two groups; TooLarge for more
// groups than the longest text gives.
ImResult WebmailTokenUnscramble(std::string_view scrambled, std::string& text);

// "address:password" scrambled (not yet form-encoded). BadArgument for an empty address, an
// address holding ":" or either holding a NUL byte; TooLarge past the limits above.
ImResult BuildWebmailToken(std::string_view address, std::string_view password, std::string& token);

// The reverse: the address is the text before the first ":", the password all after it.
// BadArgument when the token does not unscramble or holds no ":" after a non-empty address.
ImResult ReadWebmailToken(std::string_view token, std::string& address, std::string& password);

} // namespace zep
