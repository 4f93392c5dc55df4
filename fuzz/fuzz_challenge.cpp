// "Authenticate:" challenge values into the authentication state and the header built from
// it: never a crash, and the request keeps its lines whatever the challenge held.

#include "protocol/authentication.h"
#include "transport/im_auth_state.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace zep;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string challenge(reinterpret_cast<const char*>(data), size);
    // A challenge comes from one reply line: it never holds a line break.
    if (challenge.find_first_of("\r\n") != std::string::npos)
        return 0;
    ImAuthState state;
    state.userName = "user@example.com";
    state.password = "secret";
    state.realm = state.userName;
    RecordChallenge(state, challenge);
    if (state.HasDigest() && state.HasBasic())
        std::abort();
    if (state.realm.size() > 1023 || state.nonce.size() > 1023 || state.qop.size() > 1023 ||
        state.opaque.size() > 1023)
        std::abort();
    if (state.HasDigest()) {
        std::string header = DigestHeader(state);
        // CR LF, one line, CR LF: nothing in it may start a line of its own.
        if (header.compare(0, 2, "\r\n") != 0 || header.find("\r\n", 2) != header.size() - 2 ||
            state.response.size() != 32)
            std::abort();
    }
    return 0;
}
