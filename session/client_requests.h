// The three requests of the logon, on a connection the caller holds under AppLock.
#pragma once

#include "protocol/contact_record.h"
#include "session/client_connection.h"

#include <string>

namespace zep {

// 0 on success, else the result number.
int RequestVersion(ImConnection& conn, std::string& version);
LogonAnswer RequestLogon(ImConnection& conn, const std::string& email, const std::string& password,
                         ContactRecordUtf8& own);
bool RequestServerVariables(ImConnection& conn, Settings& settings);

} // namespace zep
