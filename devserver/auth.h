// Challenge and verification of the per-request "Authorization" header, Digest (MD5, qop
// "auth", method word "IM") or Basic.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zep::devserver {

enum class AuthScheme
{
    Digest,
    Basic
};

std::string Md5Hex(std::string_view text);
std::string RandomHex(size_t bytes);

// The per-connection state of the last challenge sent.
struct Challenge
{
    std::string nonce;
    std::string opaque;
    unsigned long long lastCount = 0; // highest nonce count accepted with this nonce
};

// Starts a fresh challenge (new nonce and opaque, count reset).
Challenge NewChallenge();

// The value of the "Authenticate:" line of a "401" reply. The realm comes first: the client does
// not read the parameter written directly after the scheme word, so nothing it needs may stand
// there.
std::string ChallengeLine(AuthScheme scheme, std::string_view realm, const Challenge& challenge);

// Looks up the password of a user by address; nullptr for an unknown user.
using PasswordLookup = std::function<const std::string*(std::string_view user)>;

// Checks an "Authorization" header value against the challenge. Returns the user name it names
// when valid. Digest is checked with the realm the header names (the client may keep its own
// realm), the nonce and opaque of the challenge, and a nonce count that must grow, so a
// captured header cannot be replayed.
std::optional<std::string> VerifyAuthorization(AuthScheme scheme, std::string_view header,
                                               Challenge& challenge,
                                               const PasswordLookup& passwordOf);

} // namespace zep::devserver
