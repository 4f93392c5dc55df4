#pragma once
// The HTTP proxy tunnel: "CONNECT host:port" on a socket already connected to the proxy.

#include "common/im_result.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace zep {

struct ImConnection;

// Caps on what a proxy may send before the tunnel is open.
inline constexpr std::size_t kMaxProxyHeaderBlock = 64u * 1024u;
inline constexpr std::size_t kMaxProxyBody = 1024u * 1024u;

// Opens the tunnel to host:port. Bytes that arrive after the proxy's reply (beyond its header
// block and the body its Content-Length declares) belong to the server and are appended to
// conn.pendingInput. Ok; TransferFailed when the reply is cut short or too large; NotFound for a
// status line without a space; Failed for a status other than 2xx; BadArgument for a host
// holding a line break.
ImResult ProxyOpenTunnel(ImConnection& conn, const std::string& host, std::uint16_t port);

} // namespace zep
