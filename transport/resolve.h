#pragma once
// Name resolution bounded by a time-out.

#include "common/im_result.h"

#include <cstdint>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace zep {

struct ResolvedAddress
{
    sockaddr_storage address{};
    socklen_t length = 0;
};

// "192.168.1.10" or "[192.168.1.10" (optionally closed by "]"): four decimal numbers, each at
// most 255. Fills `out` and returns true; anything else is a name.
bool ParseDottedQuad(const std::string& text, in_addr* out);

// Addresses to dial for host:port, in the resolver's order; HostNotFound, TimedOut, or
// ConnectionClosed when `cancelFd` (an eventfd, -1 for none) is signalled first.
ImResult ResolveHost(const std::string& host, std::uint16_t port, long long timeoutMicros,
                     std::vector<ResolvedAddress>& out, int cancelFd = -1);

} // namespace zep
