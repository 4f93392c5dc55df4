#pragma once
// Request authentication by challenge: Digest or Basic, answered per request.

#include "common/im_result.h"

#include <string>
#include <string_view>

namespace zep {

struct ImConnection;
struct ImAuthState;

// Records a challenge: the value of an "Authenticate:" reply line, spaces trimmed. A Digest
// challenge starts a new client nonce with nonce count 1; a Basic one keeps the credentials
// in Base64; any other scheme changes nothing.
void ImRecordChallenge(ImConnection& conn, std::string_view challenge);
void RecordChallenge(ImAuthState& state, std::string_view challenge);

// The request as it is sent: with an "Authorization" line after the command line when a
// challenge was answered on this connection. Failed for a request without CR LF.
ImResult ImAuthorizeRequest(ImConnection& conn, std::string_view request, std::string& out);

// The pieces, exposed for tests: MD5 in lower-case hexadecimal; the client nonce (UTC
// hhmmssmmm and a process-wide counter); the Digest header text (CR LF, the line, CR LF) from
// the state as it stands, without counting it.
std::string Md5Hex(std::string_view text);
std::string MakeClientNonce();
std::string DigestHeader(ImAuthState& state);

} // namespace zep
