#include "protocol/authentication.h"

#include "transport/im_connection.h"

namespace zep {

// Digest and Basic answers are not built yet: requests go out as they are.

void ImRecordChallenge(ImConnection&, std::string_view) {}

ImResult ImAuthorizeRequest(ImConnection&, std::string_view request, std::string& out)
{
    if (request.find("\r\n") == std::string_view::npos)
        return ImResult::Failed;
    out.assign(request);
    return ImResult::Ok;
}

} // namespace zep
