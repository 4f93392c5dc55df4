#include "session/client_requests.h"

#include "protocol/requests.h"
#include "session/logon_threads.h"
#include "session/server_variables_store.h"

namespace zep {

int RequestVersion(ImConnection& conn, std::string& version)
{
    return ImResultNumber(ImVersion(conn, version));
}

LogonAnswer RequestLogon(ImConnection& conn, const std::string& email, const std::string& password,
                         ContactRecordUtf8& own)
{
    const ImResult r = ImLogon(conn, email, password, own);
    if (r == ImResult::Ok)
        return LogonAnswer::Accepted;
    if (r == ImResult::LessSecureLogon)
        return LogonAnswer::LessSecure;
    // Only the server saying no is a refusal; a connection that broke on the way is not.
    if (IsTransportFailure(ImResultNumber(r)) || r == ImResult::NoMemory)
        return LogonAnswer::TransportFailed;
    return LogonAnswer::Refused;
}

bool RequestServerVariables(ImConnection& conn, Settings& settings)
{
    ServerVariables variables;
    if (ImGetVariable(conn, variables) != ImResult::Ok)
        return false;
    StoreServerVariables(settings, [&](std::string_view name) -> std::optional<std::string> {
        const std::string* value = variables.Find(name);
        return value ? std::optional(*value) : std::nullopt;
    });
    return true;
}

} // namespace zep
