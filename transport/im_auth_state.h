#pragma once
// Request authentication state kept on the connection; the challenge handling and header
// building that use it live in protocol/authentication.

#include <cstdint>
#include <string>

namespace zep {

struct ImAuthState
{
    std::string userName; // the address given to "LOGON" (255 bytes at most)
    std::string password; // the password given to "LOGON" (79 bytes at most)
    std::string realm;    // from the challenge; the address until one names it
    std::string nonce;
    std::string qop;
    std::string opaque;
    std::uint32_t nonceCount = 0;
    std::string clientNonce;
    std::string response;         // work area: the last computed response
    std::string digestKey;        // HA1 in hexadecimal; empty when no Digest state
    std::string basicCredentials; // base64 of user:password; empty when no Basic state
    std::string methodWord = "IM";
    bool digestRemembered = false; // this server's Digest challenge is on record
    bool lessSecure = false;       // a Basic challenge was refused as a downgrade

    bool HasDigest() const { return !digestKey.empty(); }
    bool HasBasic() const { return !basicCredentials.empty(); }

    // What disconnecting forgets: everything learnt from a challenge. The credentials and the
    // method word stay (an emptied method word would break every later Digest logon).
    void ClearChallenge()
    {
        realm.clear();
        nonce.clear();
        qop.clear();
        opaque.clear();
        nonceCount = 0;
        clientNonce.clear();
        response.clear();
        digestKey.clear();
        basicCredentials.clear();
        digestRemembered = false;
        lessSecure = false;
    }
};

} // namespace zep
