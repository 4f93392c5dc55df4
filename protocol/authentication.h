#pragma once
// Request authentication by challenge: Digest or Basic, answered per request.

#include "protocol/im_result.h"

#include <string>
#include <string_view>

namespace zep {

struct ImConnection;

// Records a challenge: the value of an "Authenticate:" reply line, spaces trimmed.
void ImRecordChallenge(ImConnection& conn, std::string_view challenge);

// The request as it is sent: with an "Authorization" line after the command line when a
// challenge was answered on this connection. Failed for a request without CR LF.
ImResult ImAuthorizeRequest(ImConnection& conn, std::string_view request, std::string& out);

} // namespace zep
