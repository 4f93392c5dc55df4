#include "session/password_scramble.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace zep {
namespace {

constexpr std::string_view kAlphabet =
    "kQ7mZ2vX9aLwP4eR0tYbN8cU1iJ6oHsG3dFfK5gThVjEyBnMl-Cx_rAzSpWqDuOI";
static_assert(kAlphabet.size() == 64);
constexpr std::array<std::uint8_t, 6> kKey = {0x5a, 0x3c, 0x96, 0xe1, 0x27, 0x8b};

// The older form reads at most 80 characters after its marker (20 groups).
constexpr std::size_t kLegacyMaxChars = 80;
constexpr std::size_t kLegacyMaxBytes = 60;
// Enough groups for the longest password the logon accepts.
constexpr std::size_t kMaxGroups = (kMaxPasswordBytes + 2) / 3;
constexpr std::size_t kMaxScrambledChars = kMaxGroups * 4;

int AlphabetIndex(char c)
{
    const auto pos = kAlphabet.find(c);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

void EncodeGroups(const std::string& bytes, std::size_t groups, std::string& out)
{
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t k = (g % 2) * 3;
        const auto x0 =
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(bytes[g * 3]) ^ kKey[k]);
        const auto x1 =
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(bytes[g * 3 + 1]) ^ kKey[k + 1]);
        const auto x2 =
            static_cast<std::uint8_t>(static_cast<std::uint8_t>(bytes[g * 3 + 2]) ^ kKey[k + 2]);
        out += kAlphabet[x0 >> 2];
        out += kAlphabet[((x0 & 3) << 4) | (x1 >> 4)];
        out += kAlphabet[((x1 & 15) << 2) | (x2 >> 6)];
        out += kAlphabet[x2 & 63];
    }
}

} // namespace

std::string PasswordScramble(std::string_view plain, ScrambleForm form)
{
    std::string text(plain);
    if (form == ScrambleForm::Percent) {
        if (!text.empty() && text.front() == '-')
            text.erase(0, 1);
        text.resize(std::min(text.size(), kLegacyMaxBytes));
    } else {
        if (text.empty())
            return {};
        text.resize(std::min(text.size(), kMaxPasswordBytes));
    }
    const std::size_t groups = std::max<std::size_t>(2, (text.size() + 2) / 3);
    if (form == ScrambleForm::Percent)
        text += "********";
    // Bytes past the text are 0, which ends the password when it is read back.
    text.resize(std::max(text.size(), groups * 3), '\0');

    std::string out(1, form == ScrambleForm::Plus ? '+' : '%');
    EncodeGroups(text, groups, out);
    return out;
}

std::string PasswordUnscramble(std::string_view saved)
{
    if (saved.empty())
        return {};
    const char marker = saved.front();
    if (marker == '&' && saved.size() == 14)
        return {};
    if (marker != '%' && marker != '*' && marker != '+')
        return std::string(saved); // a password stored as plain text

    const std::size_t limit = marker == '+' ? kMaxScrambledChars : kLegacyMaxChars;
    const std::string_view body = saved.substr(1, limit);
    if (body.size() < 8 || body.size() % 4 != 0)
        return {};

    // One character outside the alphabet makes the whole form unusable.
    if (body.find_first_not_of(kAlphabet) != std::string_view::npos)
        return {};

    std::string plain;
    bool ended = false;
    for (std::size_t g = 0; g < body.size() / 4 && !ended; ++g) {
        int v[4];
        for (int i = 0; i < 4; ++i) {
            v[i] = AlphabetIndex(body[g * 4 + i]);
        }
        const std::size_t k = (g % 2) * 3;
        const std::uint8_t b[3] = {
            static_cast<std::uint8_t>(((v[0] << 2) | (v[1] >> 4)) ^ kKey[k]),
            static_cast<std::uint8_t>((((v[1] & 15) << 4) | (v[2] >> 2)) ^ kKey[k + 1]),
            static_cast<std::uint8_t>((((v[2] & 3) << 6) | v[3]) ^ kKey[k + 2]),
        };
        for (std::uint8_t c : b) {
            if (c == 0) {
                ended = true;
                break;
            }
            plain += static_cast<char>(c);
        }
    }
    if (marker != '+') {
        while (!plain.empty() && (plain.back() == '*' || plain.back() == '"'))
            plain.pop_back();
    }
    return plain;
}

} // namespace zep
