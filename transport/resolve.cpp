#include "transport/resolve.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <thread>

namespace zep {

bool ParseDottedQuad(const std::string& text, in_addr* out)
{
    std::string s = text;
    if (!s.empty() && s.front() == '[') {
        s.erase(0, 1);
        if (!s.empty() && s.back() == ']')
            s.pop_back();
    }
    unsigned parts[4];
    int count = 0;
    std::size_t i = 0;
    while (count < 4) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9')
            return false;
        unsigned value = 0;
        int digits = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            value = value * 10 + static_cast<unsigned>(s[i] - '0');
            if (++digits > 3 || value > 255)
                return false;
            ++i;
        }
        parts[count++] = value;
        if (count < 4) {
            if (i >= s.size() || s[i] != '.')
                return false;
            ++i;
        }
    }
    if (i != s.size())
        return false;
    out->s_addr = htonl((parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3]);
    return true;
}

namespace {

// The resolver runs on its own thread so that a slow lookup is bounded; a lookup that outlives
// its time-out finishes on that thread and frees the shared state.
struct Lookup
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int status = 0;
    std::vector<ResolvedAddress> addresses;
};

} // namespace

ImResult ResolveHost(const std::string& host, std::uint16_t port, long long timeoutMicros,
                     std::vector<ResolvedAddress>& out)
{
    out.clear();
    in_addr quad{};
    if (ParseDottedQuad(host, &quad)) {
        ResolvedAddress one;
        auto* sin = reinterpret_cast<sockaddr_in*>(&one.address);
        sin->sin_family = AF_INET;
        sin->sin_port = htons(port);
        sin->sin_addr = quad;
        one.length = sizeof(sockaddr_in);
        out.push_back(one);
        return ImResult::Ok;
    }
    if (host.empty())
        return ImResult::HostNotFound;

    auto lookup = std::make_shared<Lookup>();
    std::thread([lookup, host, port] {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* list = nullptr;
        std::string service = std::to_string(port);
        int status = getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
        std::vector<ResolvedAddress> found;
        for (addrinfo* ai = status == 0 ? list : nullptr; ai; ai = ai->ai_next) {
            if (ai->ai_addrlen > sizeof(sockaddr_storage))
                continue;
            ResolvedAddress one;
            std::memcpy(&one.address, ai->ai_addr, ai->ai_addrlen);
            one.length = ai->ai_addrlen;
            found.push_back(one);
        }
        if (list)
            freeaddrinfo(list);
        std::lock_guard<std::mutex> guard(lookup->mutex);
        lookup->status = status;
        lookup->addresses = std::move(found);
        lookup->finished = true;
        lookup->done.notify_all();
    }).detach();

    std::unique_lock<std::mutex> guard(lookup->mutex);
    if (timeoutMicros < 0)
        lookup->done.wait(guard, [&] { return lookup->finished; });
    else if (!lookup->done.wait_for(guard, std::chrono::microseconds(timeoutMicros),
                                    [&] { return lookup->finished; }))
        return ImResult::TimedOut;
    if (lookup->status != 0 || lookup->addresses.empty())
        return ImResult::HostNotFound;
    out = lookup->addresses;
    return ImResult::Ok;
}

} // namespace zep
