#include "system_proxy.h"

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

std::vector<std::string> FromEnvironment(const std::string& server)
{
    std::vector<std::string> out;
    if (const char* noProxy = std::getenv("no_proxy")) {
        const std::string list = std::string(",") + noProxy + ",";
        if (list.find("," + server + ",") != std::string::npos ||
            list.find(",*,") != std::string::npos)
            return out;
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
        TheLibProxy().Usable() ? FromLibProxy(url) : FromEnvironment(server);
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
