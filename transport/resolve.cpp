#include "transport/resolve.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

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

// One lookup: the resolver thread fills it and signals `doneFd`; the caller polls that with its
// cancel descriptor, so a stopped worker never waits out the lookup.
struct Lookup
{
    Lookup() : doneFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~Lookup()
    {
        if (doneFd >= 0)
            ::close(doneFd);
    }
    Lookup(const Lookup&) = delete;
    Lookup& operator=(const Lookup&) = delete;

    std::string host;
    std::uint16_t port = 0;
    int doneFd;
    std::atomic<bool> abandoned{false};
    std::mutex mutex;
    int status = 0;
    std::vector<ResolvedAddress> addresses;
};

// The one resolver thread of the process, owned and joined at exit. Lookups run one at a time;
// one whose caller gave up before it started is dropped, so lookups that time out across
// reconnects never pile up.
class Resolver
{
public:
    ~Resolver()
    {
        {
            std::lock_guard guard(m_lock);
            m_quit = true;
            m_jobs.clear();
        }
        m_wake.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

    void Submit(std::shared_ptr<Lookup> lookup)
    {
        std::lock_guard guard(m_lock);
        if (!m_thread.joinable())
            m_thread = std::thread([this] { Run(); });
        std::erase_if(m_jobs, [](const auto& job) { return job->abandoned.load(); });
        m_jobs.push_back(std::move(lookup));
        m_wake.notify_one();
    }

private:
    void Run()
    {
        std::unique_lock guard(m_lock);
        for (;;) {
            m_wake.wait(guard, [this] { return m_quit || !m_jobs.empty(); });
            if (m_quit)
                return;
            std::shared_ptr<Lookup> job = std::move(m_jobs.front());
            m_jobs.pop_front();
            if (job->abandoned)
                continue;
            guard.unlock();
            Resolve(*job);
            guard.lock();
        }
    }

    static void Resolve(Lookup& lookup)
    {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* list = nullptr;
        const std::string service = std::to_string(lookup.port);
        const int status = getaddrinfo(lookup.host.c_str(), service.c_str(), &hints, &list);
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
        {
            std::lock_guard guard(lookup.mutex);
            lookup.status = status;
            lookup.addresses = std::move(found);
        }
        std::uint64_t one = 1;
        ssize_t n = ::write(lookup.doneFd, &one, sizeof one);
        (void)n;
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Lookup>> m_jobs;
    std::thread m_thread;
    bool m_quit = false;
};

Resolver& TheResolver()
{
    static Resolver resolver;
    return resolver;
}

} // namespace

ImResult ResolveHost(const std::string& host, std::uint16_t port, long long timeoutMicros,
                     std::vector<ResolvedAddress>& out, int cancelFd)
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
    if (lookup->doneFd < 0)
        return ImResult::HostNotFound;
    lookup->host = host;
    lookup->port = port;
    TheResolver().Submit(lookup);

    pollfd fds[2] = {{lookup->doneFd, POLLIN, 0}, {cancelFd, POLLIN, 0}};
    timespec ts{timeoutMicros / 1000000, (timeoutMicros % 1000000) * 1000};
    int n;
    do {
        n = ppoll(fds, cancelFd >= 0 ? 2 : 1, timeoutMicros < 0 ? nullptr : &ts, nullptr);
    } while (n < 0 && errno == EINTR);
    if (n <= 0 || !(fds[0].revents & POLLIN)) {
        lookup->abandoned = true;
        return (n > 0 && (fds[1].revents & POLLIN)) ? ImResult::ConnectionClosed
                                                    : ImResult::TimedOut;
    }
    std::lock_guard guard(lookup->mutex);
    if (lookup->status != 0 || lookup->addresses.empty())
        return ImResult::HostNotFound;
    out = lookup->addresses;
    return ImResult::Ok;
}

} // namespace zep
