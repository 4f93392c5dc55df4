// NOT FINISHED: the request set is not in this tree yet. Until it is, every request fails as a
// transport failure, so a logon ends on the connect-failure path and never pretends to succeed.
#include "client_requests.h"

namespace zep {

int RequestVersion(ImConnection&, std::string&)
{
    return 82; // ConnectionClosed
}

LogonAnswer RequestLogon(ImConnection&, const std::string&, const std::string&, OwnIdentity&)
{
    return LogonAnswer::TransportFailed;
}

bool RequestServerVariables(ImConnection&, Settings&)
{
    return false;
}

} // namespace zep
