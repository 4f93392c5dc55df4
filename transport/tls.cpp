#include "transport/tls.h"

#include "transport/im_connection.h"
#include "transport/log_writer.h"

namespace zep {

// The TLS client is not built yet: every use fails cleanly.

ImResult TlsInitialise()
{
    return ImResult::Ok;
}

ImResult TlsHandshake(ImConnection&)
{
    LogWrite(ZepimLog(), kLogFailure, 99999, "TLS is not available in this build");
    return ImResult::TlsSessionFailed;
}

void TlsClose(ImConnection& conn)
{
    conn.tls = nullptr;
}

bool TlsCipherDescription(ImConnection&, std::string&)
{
    return false;
}

} // namespace zep
