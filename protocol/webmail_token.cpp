#include "protocol/webmail_token.h"

namespace zep {
namespace {

using webmail_token::kAlphabet;
using webmail_token::kKey;

constexpr bool AlphabetIsUnique()
{
    for (std::size_t i = 0; i < kAlphabet.size(); ++i)
        for (std::size_t j = i + 1; j < kAlphabet.size(); ++j)
            if (kAlphabet[i] == kAlphabet[j])
                return false;
    return true;
}
static_assert(kAlphabet.size() == 64 && AlphabetIsUnique());

// Position of `c` in the alphabet, or -1.
constexpr std::array<int, 256> MakeIndex()
{
    std::array<int, 256> index{};
    for (int& v : index)
        v = -1;
    for (std::size_t i = 0; i < kAlphabet.size(); ++i)
        index[static_cast<unsigned char>(kAlphabet[i])] = static_cast<int>(i);
    return index;
}
constexpr std::array<int, 256> kIndex = MakeIndex();

} // namespace

ImResult WebmailTokenScramble(std::string_view text, std::string& scrambled)
{
    scrambled.clear();
    if (text.size() > kMaxWebmailTokenTextBytes)
        return ImResult::TooLarge;
    if (text.find('\0') != std::string_view::npos)
        return ImResult::BadArgument;
    const std::size_t groups = WebmailScrambledLength(text.size()) / 4;
    scrambled.reserve(groups * 4);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::size_t k = (g % 2) * 3;
        std::uint8_t x[3];
        for (std::size_t i = 0; i < 3; ++i) {
            const std::size_t at = g * 3 + i;
            // Bytes past the text are 0, which ends the text when it is read back.
            const auto byte = at < text.size() ? static_cast<std::uint8_t>(text[at]) : 0;
            x[i] = static_cast<std::uint8_t>(byte ^ kKey[k + i]);
        }
        scrambled += kAlphabet[x[0] >> 2];
        scrambled += kAlphabet[((x[0] & 3) << 4) | (x[1] >> 4)];
        scrambled += kAlphabet[((x[1] & 15) << 2) | (x[2] >> 6)];
        scrambled += kAlphabet[x[2] & 63];
    }
    return ImResult::Ok;
}

ImResult WebmailTokenUnscramble(std::string_view scrambled, std::string& text)
{
    text.clear();
    if (scrambled.size() > WebmailScrambledLength(kMaxWebmailTokenTextBytes))
        return ImResult::TooLarge;
    if (scrambled.size() < 8 || scrambled.size() % 4 != 0)
        return ImResult::BadArgument;
    for (char c : scrambled)
        if (kIndex[static_cast<unsigned char>(c)] < 0)
            return ImResult::BadArgument;
    for (std::size_t g = 0; g < scrambled.size() / 4; ++g) {
        int v[4];
        for (std::size_t i = 0; i < 4; ++i)
            v[i] = kIndex[static_cast<unsigned char>(scrambled[g * 4 + i])];
        const std::size_t k = (g % 2) * 3;
        const std::uint8_t b[3] = {
            static_cast<std::uint8_t>(((v[0] << 2) | (v[1] >> 4)) ^ kKey[k]),
            static_cast<std::uint8_t>((((v[1] & 15) << 4) | (v[2] >> 2)) ^ kKey[k + 1]),
            static_cast<std::uint8_t>((((v[2] & 3) << 6) | v[3]) ^ kKey[k + 2]),
        };
        for (std::uint8_t c : b) {
            if (c == 0)
                return ImResult::Ok;
            text += static_cast<char>(c);
        }
    }
    return ImResult::Ok;
}

ImResult BuildWebmailToken(std::string_view address, std::string_view password, std::string& token)
{
    token.clear();
    if (address.size() > kMaxWebmailAddressBytes || password.size() > kMaxWebmailPasswordBytes)
        return ImResult::TooLarge;
    if (address.empty() || address.find(':') != std::string_view::npos)
        return ImResult::BadArgument;
    std::string text;
    text.reserve(address.size() + 1 + password.size());
    text.append(address).append(1, ':').append(password);
    return WebmailTokenScramble(text, token);
}

ImResult ReadWebmailToken(std::string_view token, std::string& address, std::string& password)
{
    address.clear();
    password.clear();
    std::string text;
    if (const ImResult rc = WebmailTokenUnscramble(token, text); rc != ImResult::Ok)
        return rc;
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0)
        return ImResult::BadArgument;
    address = text.substr(0, colon);
    password = text.substr(colon + 1);
    return ImResult::Ok;
}

} // namespace zep
