#include "protocol/authentication.h"

#include "protocol/fields.h"
#include "protocol/utf_text.h"
#include "transport/im_connection.h"
#include "transport/log_writer.h"
#include "transport/tls_pins.h"

#include <openssl/evp.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

namespace zep {

namespace {

constexpr std::size_t kFieldCapacity = 1024;
constexpr int kMaxChallengePieces = 50;

std::string_view Trim(std::string_view text, std::string_view what)
{
    std::size_t first = text.find_first_not_of(what);
    if (first == std::string_view::npos)
        return {};
    std::size_t last = text.find_last_not_of(what);
    return text.substr(first, last - first + 1);
}

std::string Field(std::string_view value)
{
    return std::string(Utf8Prefix(value, kFieldCapacity - 1));
}

std::string Base64(std::string_view text)
{
    std::string out(4 * ((text.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(text.data()),
                            static_cast<int>(text.size()));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

void RecordDigest(ImAuthState& state, std::string_view challenge)
{
    std::vector<std::string> pieces;
    int count = 0;
    // The scheme word stays in the first piece, so a parameter written right after it carries
    // a name beginning "Digest " and is not recognised.
    SplitFields(challenge, ",", kMaxChallengePieces, false, pieces, count);
    for (int i = 0; i < count; ++i) {
        std::string_view piece = pieces[i];
        std::size_t eq = piece.find('=');
        if (eq == std::string_view::npos)
            continue;
        std::string_view name = Trim(piece.substr(0, eq), " \t");
        std::string_view value = Trim(Trim(piece.substr(eq + 1), " \t"), "\"");
        value = Trim(value, " \t");
        if (EqualsNoCase(name, "realm"))
            state.realm = Field(value);
        else if (EqualsNoCase(name, "nonce"))
            state.nonce = Field(value);
        else if (EqualsNoCase(name, "qop"))
            state.qop = Field(value);
        else if (EqualsNoCase(name, "opaque"))
            state.opaque = Field(value);
    }
    state.nonceCount = 1;
    state.basicCredentials.clear();
    state.clientNonce = MakeClientNonce();
    state.digestKey = Md5Hex(state.userName + ":" + state.realm + ":" + state.password);
}

} // namespace

std::string Md5Hex(std::string_view text)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1)
        return {};
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < length; ++i) {
        out.push_back(kHex[digest[i] >> 4]);
        out.push_back(kHex[digest[i] & 0xf]);
    }
    return out;
}

std::string MakeClientNonce()
{
    // Incremented before each use: two nonces made in the same millisecond still differ.
    static std::atomic<unsigned> counter{0};
    unsigned n = ++counter;
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    int millis = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%02d%03d%05u", utc.tm_hour, utc.tm_min, utc.tm_sec,
                  millis, n % 100000u);
    return text;
}

std::string DigestHeader(ImAuthState& state)
{
    std::string ha2 = Md5Hex(state.methodWord + ":/");
    std::string nc = std::to_string(state.nonceCount);
    if (!state.qop.empty())
        state.response = Md5Hex(state.digestKey + ":" + state.nonce + ":" + nc + ":" +
                                state.clientNonce + ":" + state.qop + ":" + ha2);
    else
        state.response = Md5Hex(state.digestKey + ":" + state.nonce + ":" + ha2);
    std::string header = "\r\nAuthorization: Digest ";
    const std::pair<const char*, const std::string*> params[] = {{"username", &state.userName},
                                                                 {"realm", &state.realm},
                                                                 {"nonce", &state.nonce},
                                                                 {"uri", nullptr},
                                                                 {"qop", &state.qop},
                                                                 {"nc", &nc},
                                                                 {"cnonce", &state.clientNonce},
                                                                 {"response", &state.response},
                                                                 {"opaque", &state.opaque}};
    bool first = true;
    for (const auto& [name, value] : params) {
        if (!first)
            header.push_back(',');
        first = false;
        header.append(name).append("=\"").append(value ? *value : std::string("/")).append("\"");
    }
    header.append("\r\n");
    return header;
}

void RecordChallenge(ImAuthState& state, std::string_view challenge)
{
    if (StartsWithNoCase(challenge, "Digest")) {
        RecordDigest(state, challenge);
    } else if (StartsWithNoCase(challenge, "Basic")) {
        state.digestKey.clear();
        state.basicCredentials = Base64(state.userName + ":" + state.password);
    }
}

void ImRecordChallenge(ImConnection& conn, std::string_view challenge)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    const std::string file =
        DigestFileFor(conn.trust.pinFile.empty() ? DefaultTrustFile() : conn.trust.pinFile);
    if (StartsWithNoCase(challenge, "Digest") && !conn.auth.digestRemembered) {
        conn.auth.digestRemembered = true;
        if (RememberDigest(file, conn.serverHost, conn.serverPort) != ImResult::Ok)
            LogWriteIf(ZepimLog(), kLogFailure, 99999,
                       "%d could not note in %s that %s:%u asks for Digest", conn.number,
                       file.c_str(), conn.serverHost.c_str(), conn.serverPort);
    } else if (StartsWithNoCase(challenge, "Basic") && !conn.tls) {
        // On a plain connection Basic shows the password to anyone in the middle, who can
        // also answer for the server. A server that asked for Digest before does not change
        // its mind: refuse, and send nothing.
        bool asked = false;
        if (AskedForDigest(file, conn.serverHost, conn.serverPort, asked) == ImResult::Ok &&
            asked) {
            LogWriteIf(ZepimLog(), kLogFailure, 99999,
                       "%d %s:%u asks for Basic authentication on a plain connection after it "
                       "asked for Digest before: refused, the password is not sent",
                       conn.number, conn.serverHost.c_str(), conn.serverPort);
            conn.auth.basicCredentials.clear();
            conn.auth.digestKey.clear();
            conn.auth.lessSecure = true;
            return;
        }
    }
    RecordChallenge(conn.auth, challenge);
}

ImResult ImAuthorizeRequest(ImConnection& conn, std::string_view request, std::string& out)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    std::size_t end = request.find("\r\n");
    if (end == std::string_view::npos)
        return ImResult::Failed;
    std::string header;
    if (conn.auth.HasDigest()) {
        header = DigestHeader(conn.auth);
        ++conn.auth.nonceCount;
    } else if (conn.auth.HasBasic()) {
        header = "\r\nAuthorization: Basic " + conn.auth.basicCredentials + "\r\n";
    } else {
        out.assign(request);
        return ImResult::Ok;
    }
    // The header text begins with the CR LF that ends the command line.
    out.assign(request.substr(0, end));
    out.append(header);
    out.append(request.substr(end + 2));
    return ImResult::Ok;
}

} // namespace zep
