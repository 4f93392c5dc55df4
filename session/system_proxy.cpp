#include "session/system_proxy.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dlfcn.h>

namespace zep {
namespace {

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// libproxy's four functions, looked up once.
struct LibProxy
{
    void* lib = nullptr;
    void* (*factoryNew)() = nullptr;
    char** (*getProxies)(void*, const char*) = nullptr;
    void (*factoryFree)(void*) = nullptr;

    LibProxy()
    {
        lib = dlopen("libproxy.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!lib)
            return;
        factoryNew = reinterpret_cast<void* (*)()>(dlsym(lib, "px_proxy_factory_new"));
        getProxies = reinterpret_cast<char** (*)(void*, const char*)>(
            dlsym(lib, "px_proxy_factory_get_proxies"));
        factoryFree = reinterpret_cast<void (*)(void*)>(dlsym(lib, "px_proxy_factory_free"));
    }
    bool Usable() const { return factoryNew && getProxies && factoryFree; }
};

LibProxy& TheLibProxy()
{
    static LibProxy lib;
    return lib;
}

std::vector<std::string> FromLibProxy(const std::string& url)
{
    std::vector<std::string> out;
    LibProxy& px = TheLibProxy();
    void* factory = px.factoryNew();
    if (!factory)
        return out;
    if (char** proxies = px.getProxies(factory, url.c_str())) {
        for (char** p = proxies; *p; ++p) {
            out.emplace_back(*p);
            std::free(*p);
        }
        std::free(proxies);
    }
    px.factoryFree(factory);
    return out;
}

std::string Trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// A host without brackets and a trailing dot, in lower case.
std::string PlainHost(std::string host)
{
    host = Lower(Trimmed(host));
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    while (!host.empty() && host.back() == '.')
        host.pop_back();
    return host;
}

std::vector<std::string> FromEnvironment(const std::string& server, std::uint16_t port)
{
    std::vector<std::string> out;
    for (const char* name : {"no_proxy", "NO_PROXY"}) {
        const char* noProxy = std::getenv(name);
        if (noProxy && *noProxy) {
            if (NoProxyMatches(noProxy, server, port))
                return out;
            break;
        }
    }
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "http_proxy", "HTTP_PROXY"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            out.emplace_back(value);
            break;
        }
    }
    return out;
}

} // namespace

bool NoProxyMatches(const std::string& list, const std::string& server, std::uint16_t port)
{
    const std::string host = PlainHost(server);
    if (host.empty())
        return false;
    std::string::size_type start = 0;
    while (start <= list.size()) {
        auto end = list.find_first_of(", ", start);
        if (end == std::string::npos)
            end = list.size();
        std::string entry = Lower(Trimmed(list.substr(start, end - start)));
        start = end + 1;
        if (entry.empty())
            continue;
        if (entry == "*")
            return true;
        // An optional port: "host:port", "[v6]:port"; a bare IPv6 literal has several colons.
        std::string entryPort;
        if (entry.front() == '[') {
            const auto close = entry.find(']');
            if (close == std::string::npos)
                continue;
            if (close + 1 < entry.size() && entry[close + 1] == ':')
                entryPort = entry.substr(close + 2);
            entry = entry.substr(1, close - 1);
        } else if (const auto colon = entry.find(':');
                   colon != std::string::npos && entry.find(':', colon + 1) == std::string::npos) {
            entryPort = entry.substr(colon + 1);
            entry.resize(colon);
        }
        if (!entryPort.empty() && entryPort != std::to_string(port))
            continue;
        if (entry.rfind("*.", 0) == 0)
            entry.erase(0, 1);
        const bool subdomainsOnly = !entry.empty() && entry.front() == '.';
        if (subdomainsOnly)
            entry.erase(0, 1);
        while (!entry.empty() && entry.back() == '.')
            entry.pop_back();
        if (entry.empty())
            continue;
        if (host == entry)
            return true;
        // "example.com" and ".example.com" both cover every name below it.
        if (host.size() > entry.size() &&
            host.compare(host.size() - entry.size(), entry.size(), entry) == 0 &&
            host[host.size() - entry.size() - 1] == '.')
            return true;
    }
    return false;
}

bool ParseProxyEntry(const std::string& input, ProxyEntry& entry)
{
    std::string text = input;
    // "scheme=host:port" entries of a proxy list.
    if (const auto eq = text.find('='); eq != std::string::npos) {
        const std::string scheme = Lower(text.substr(0, eq));
        if (scheme != "http" && scheme != "https")
            return false;
        text = text.substr(eq + 1);
    }
    if (const auto sep = text.find("://"); sep != std::string::npos) {
        const std::string scheme = Lower(text.substr(0, sep));
        if (scheme != "http" && scheme != "https")
            return false;
        text = text.substr(sep + 3);
    }
    if (const auto at = text.rfind('@'); at != std::string::npos)
        text = text.substr(at + 1); // credentials are not used: the tunnel has no authentication
    if (const auto slash = text.find('/'); slash != std::string::npos)
        text.resize(slash);
    std::uint16_t port = 8080;
    if (const auto colon = text.rfind(':');
        colon != std::string::npos && text.find(']', colon) == std::string::npos) {
        const std::string digits = text.substr(colon + 1);
        text.resize(colon);
        if (digits.empty() || digits.size() > 5 ||
            !std::all_of(digits.begin(), digits.end(),
                         [](unsigned char c) { return std::isdigit(c); }))
            return false;
        const long n = std::strtol(digits.c_str(), nullptr, 10);
        if (n <= 0 || n > 65535)
            return false;
        port = static_cast<std::uint16_t>(n);
    }
    if (text.empty())
        return false;
    entry.host = text;
    entry.port = port;
    return true;
}

std::vector<ProxyEntry> SystemProxies(const std::string& server, std::uint16_t port)
{
    const std::string url = "https://" + server + ":" + std::to_string(port) + "/";
    const std::vector<std::string> found =
        TheLibProxy().Usable() ? FromLibProxy(url) : FromEnvironment(server, port);
    std::vector<ProxyEntry> entries;
    for (const std::string& text : found) {
        ProxyEntry e;
        if (ParseProxyEntry(text, e) &&
            std::find(entries.begin(), entries.end(), e) == entries.end())
            entries.push_back(e);
    }
    return entries;
}

} // namespace zep
