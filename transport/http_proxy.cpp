#include "transport/http_proxy.h"

#include "transport/im_connection.h"
#include "transport/log_writer.h"

namespace zep {

// The proxy tunnel is not built yet: connecting through a proxy fails cleanly.
ImResult ProxyOpenTunnel(ImConnection&, const std::string&, std::uint16_t)
{
    LogWrite(ZepimLog(), kLogFailure, 99999,
             "the HTTP proxy tunnel is not available in this build");
    return ImResult::Failed;
}

} // namespace zep
