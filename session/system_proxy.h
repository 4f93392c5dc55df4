// The desktop's proxy setting for the connect fall-back: libproxy when it is installed (loaded
// at run time, tolerated when absent), else the http_proxy / https_proxy variables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zep {

struct ProxyEntry
{
    std::string host;
    std::uint16_t port = 8080;
    bool operator==(const ProxyEntry&) const = default;
};

// HTTP proxies to try, in order, for a connection to server:port; empty means direct.
std::vector<ProxyEntry> SystemProxies(const std::string& server, std::uint16_t port);

// Whether a no_proxy list exempts server:port: comma- or space-separated entries, "*" for all,
// a domain (with or without a leading "." or "*.") covering itself and every name below it,
// IP literals ("[::1]" or "::1"), an optional ":port", all without regard to case.
bool NoProxyMatches(const std::string& list, const std::string& server, std::uint16_t port);

// One proxy address ("http://host:port/", "host:port", "https=host:port") to an entry; false
// for schemes other than http and https and for "direct://".
bool ParseProxyEntry(const std::string& text, ProxyEntry& entry);

} // namespace zep
