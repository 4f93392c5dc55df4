#pragma once
// The HTTP proxy tunnel: "CONNECT host:port" on a socket already connected to the proxy.

#include "protocol/im_result.h"

#include <cstdint>
#include <string>

namespace zep {

struct ImConnection;

// Opens the tunnel to host:port. Bytes that arrive after the proxy's reply belong to the
// server and are appended to conn.pendingInput.
ImResult ProxyOpenTunnel(ImConnection& conn, const std::string& host, std::uint16_t port);

} // namespace zep
