#include "devserver/auth.h"

#include "devserver/text.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <map>
#include <vector>

namespace zep::devserver {

namespace {

std::string Hex(const unsigned char* data, size_t size)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        out += kHex[data[i] >> 4];
        out += kHex[data[i] & 0xf];
    }
    return out;
}

// Splits "a=b, c=\"d,e\"" into lower-cased names and unquoted values; commas inside quotes stay.
std::map<std::string, std::string> ParseParameters(std::string_view text)
{
    std::map<std::string, std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ',' || text[i] == ' ' || text[i] == '\t'))
            ++i;
        const size_t nameStart = i;
        while (i < text.size() && text[i] != '=' && text[i] != ',')
            ++i;
        std::string name = ToLower(Trim(text.substr(nameStart, i - nameStart)));
        if (i >= text.size() || text[i] == ',') {
            continue;
        }
        ++i; // '='
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        std::string value;
        if (i < text.size() && text[i] == '"') {
            ++i;
            while (i < text.size() && text[i] != '"') {
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                value += text[i++];
            }
            if (i < text.size())
                ++i; // closing quote
        } else {
            const size_t valueStart = i;
            while (i < text.size() && text[i] != ',')
                ++i;
            value = std::string(Trim(text.substr(valueStart, i - valueStart)));
        }
        if (!name.empty() && out.find(name) == out.end())
            out.emplace(std::move(name), std::move(value));
    }
    return out;
}

bool SameSecret(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::optional<std::string> VerifyDigest(std::string_view params, Challenge& challenge,
                                        const PasswordLookup& passwordOf)
{
    auto p = ParseParameters(params);
    auto get = [&p](const char* name) -> const std::string& {
        static const std::string kEmpty;
        auto it = p.find(name);
        return it == p.end() ? kEmpty : it->second;
    };
    const std::string& user = get("username");
    const std::string& realm = get("realm");
    const std::string& nonce = get("nonce");
    const std::string& uri = get("uri");
    const std::string& qop = get("qop");
    const std::string& nc = get("nc");
    const std::string& cnonce = get("cnonce");
    const std::string& response = get("response");
    if (user.empty() || nonce.empty() || response.empty() || challenge.nonce.empty())
        return std::nullopt;
    if (!SameSecret(nonce, challenge.nonce) || !SameSecret(get("opaque"), challenge.opaque))
        return std::nullopt;
    // The challenge always asks for qop "auth": without it there is no count and no replay check.
    if (!IEquals(qop, "auth") || cnonce.empty())
        return std::nullopt;
    long long count = 0;
    if (nc.size() > 12 || !ParseInt(nc, count) || count <= 0)
        return std::nullopt;
    if (static_cast<unsigned long long>(count) <= challenge.lastCount)
        return std::nullopt;
    const std::string* password = passwordOf(user);
    if (password == nullptr)
        return std::nullopt;
    const std::string ha1 = Md5Hex(user + ":" + realm + ":" + *password);
    const std::string ha2 = Md5Hex("IM:" + uri);
    const std::string expected =
        Md5Hex(ha1 + ":" + nonce + ":" + nc + ":" + cnonce + ":" + qop + ":" + ha2);
    if (!SameSecret(ToLower(response), expected))
        return std::nullopt;
    challenge.lastCount = static_cast<unsigned long long>(count);
    return user;
}

std::optional<std::string> VerifyBasic(std::string_view encoded, const PasswordLookup& passwordOf)
{
    encoded = Trim(encoded);
    if (encoded.empty() || encoded.size() > 4096 || encoded.size() % 4 != 0)
        return std::nullopt;
    std::vector<unsigned char> decoded(encoded.size() / 4 * 3 + 1);
    const int length =
        EVP_DecodeBlock(decoded.data(), reinterpret_cast<const unsigned char*>(encoded.data()),
                        static_cast<int>(encoded.size()));
    if (length < 0)
        return std::nullopt;
    size_t size = static_cast<size_t>(length);
    // EVP_DecodeBlock counts the padding as data bytes.
    if (encoded.back() == '=')
        --size;
    if (encoded.size() >= 2 && encoded[encoded.size() - 2] == '=')
        --size;
    std::string text(reinterpret_cast<const char*>(decoded.data()), size);
    const size_t colon = text.find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    std::string user = text.substr(0, colon);
    const std::string* password = passwordOf(user);
    if (password == nullptr || !SameSecret(text.substr(colon + 1), *password))
        return std::nullopt;
    return user;
}

} // namespace

std::string Md5Hex(std::string_view text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    // Fetched once: an implicit fetch on every call costs more than the digest itself.
    static EVP_MD* const md5 = EVP_MD_fetch(nullptr, "MD5", nullptr);
    EVP_Digest(text.data(), text.size(), digest, &size, md5, nullptr);
    return Hex(digest, size);
}

std::string RandomHex(size_t bytes)
{
    std::vector<unsigned char> data(bytes);
    if (RAND_bytes(data.data(), static_cast<int>(bytes)) != 1)
        return {};
    return Hex(data.data(), data.size());
}

Challenge NewChallenge()
{
    Challenge challenge;
    challenge.nonce = RandomHex(16);
    challenge.opaque = RandomHex(8);
    return challenge;
}

std::string ChallengeLine(AuthScheme scheme, std::string_view realm, const Challenge& challenge)
{
    std::string line;
    if (scheme == AuthScheme::Basic) {
        line = "Basic realm=\"";
        line += realm;
        line += "\"";
        return line;
    }
    line = "Digest realm=\"";
    line += realm;
    line += "\",nonce=\"" + challenge.nonce + "\",qop=\"auth\",opaque=\"" + challenge.opaque + "\"";
    return line;
}

std::optional<std::string> VerifyAuthorization(AuthScheme scheme, std::string_view header,
                                               Challenge& challenge,
                                               const PasswordLookup& passwordOf)
{
    header = Trim(header);
    const size_t space = header.find(' ');
    if (space == std::string_view::npos)
        return std::nullopt;
    const std::string_view word = header.substr(0, space);
    const std::string_view rest = header.substr(space + 1);
    if (scheme == AuthScheme::Digest && IEquals(word, "Digest"))
        return VerifyDigest(rest, challenge, passwordOf);
    if (scheme == AuthScheme::Basic && IEquals(word, "Basic"))
        return VerifyBasic(rest, passwordOf);
    return std::nullopt;
}

} // namespace zep::devserver
