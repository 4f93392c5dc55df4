// Timed end-to-end run against the zep-devserver program on loopback:
//  1. server memory per connected, logged-on client (500 clients, resident set of the process);
//  2. instant messages routed per second with 500 clients in 250 two-person sessions;
//  3. time for one client to LOGON and SUBSCRIBE 2000 contacts in batches of 20, as the client
//     does.
// Usage: bench_devserver [seconds of message load, default 5] [requests in flight per client, 8]
#include "tests/devserver/wire_client.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/epoll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace zep::devserver::test;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kClients = 500;
constexpr int kContacts = 2000;
int g_window = 8; // requests in flight per client during the message load

[[noreturn]] void Die(const std::string& why)
{
    std::fprintf(stderr, "bench_devserver: %s\n", why.c_str());
    std::exit(1);
}

std::string Address(int i)
{
    return "u" + std::to_string(i) + "@bench.test";
}

std::string WriteUsersFile()
{
    std::string json = "{\"users\": [\n";
    json += "{\"id\": 1, \"email\": \"big@bench.test\", \"name\": \"Big\", \"password\": \"pw\", "
            "\"contacts\": [";
    for (int i = 0; i < kContacts; ++i)
        json += (i ? ",\"" : "\"") + Address(i) + "\"";
    json += "]}";
    for (int i = 0; i < kContacts; ++i) {
        json += ",\n{\"id\": " + std::to_string(i + 10) + ", \"email\": \"" + Address(i) +
                "\", \"name\": \"User " + std::to_string(i) + "\", \"password\": \"pw\", " +
                "\"location\": \"Desk " + std::to_string(i) + "\"}";
    }
    json += "]}\n";
    const std::string path = "/tmp/zep-bench-users-" + std::to_string(getpid()) + ".json";
    std::ofstream(path) << json;
    return path;
}

struct Server
{
    pid_t pid = -1;
    int port = 0;
};

Server StartServer(const std::string& usersFile)
{
    int out[2];
    if (pipe(out) != 0)
        Die("pipe");
    Server server;
    server.pid = fork();
    if (server.pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        execl(ZEP_DEVSERVER_BINARY, ZEP_DEVSERVER_BINARY, "--port", "0", "--tls-port", "0",
              "--users", usersFile.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    close(out[0]);
    if (std::sscanf(line.c_str(), "listening on %*[^:]:%d", &server.port) != 1)
        Die("no listening line: " + line);
    return server;
}

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        std::string rest;
        std::getline(status, rest);
    }
    return 0;
}

// A blocking connection for the set-up phase; later switched to non-blocking for the load.
struct Client
{
    int fd = -1;
    WireReader reader;
    ClientAuth auth;
    std::string session;
    std::string partial; // load phase: an incomplete line
    std::string out;     // load phase: bytes not yet sent
    int inFlight = 0;
    long received = 0;

    void Connect(int port)
    {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<uint16_t>(port));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            Die("connect");
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::string greeting;
        char c = 0;
        while (recv(fd, &c, 1, 0) == 1 && c != '\n')
            greeting += c;
        if (greeting.rfind("S 220", 0) != 0)
            Die("bad greeting");
    }

    void SendAll(const std::string& text) const
    {
        size_t sent = 0;
        while (sent < text.size()) {
            const ssize_t n = send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                Die("send");
            sent += static_cast<size_t>(n);
        }
    }

    WireReply ReadReply()
    {
        for (;;) {
            if (auto reply = reader.TakeReply())
                return *reply;
            char buffer[65536];
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                Die("connection closed");
            reader.Feed(std::string_view(buffer, static_cast<size_t>(n)));
        }
    }

    WireReply Exchange(const std::string& command, const Headers& headers = {})
    {
        const std::string request = FormatRequest(command, headers);
        WireReply reply;
        for (int attempt = 0; attempt < 2; ++attempt) {
            SendAll(auth.Apply(request));
            reply = ReadReply();
            if (reply.Code() != "401")
                break;
            auth.Record(reply);
        }
        return reply;
    }

    void Logon(const std::string& email)
    {
        auth.SetUser(email, "pw");
        if (Exchange("LOGON", {{"Email", email}, {"ClientType", "IM"}, {"Logoff", "1"}}).status !=
            "250 OK")
            Die("logon refused for " + email);
    }
};

// User plus system CPU seconds the process has used so far.
double CpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i) {
        if (i == 14)
            utime = std::stoull(field);
        if (i == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

// Sends MESSAGE requests with a window of g_window per client for `seconds`, on one epoll loop.
double MessageLoad(std::vector<Client>& clients, double seconds, long& routed)
{
    const int ep = epoll_create1(0);
    for (size_t i = 0; i < clients.size(); ++i) {
        fcntl(clients[i].fd, F_SETFL, fcntl(clients[i].fd, F_GETFL) | O_NONBLOCK);
        epoll_event ev{};
        ev.events = EPOLLIN | EPOLLOUT;
        ev.data.u64 = i;
        epoll_ctl(ep, EPOLL_CTL_ADD, clients[i].fd, &ev);
    }
    auto request = [](Client& c, long n) {
        return c.auth.Apply(FormatRequest("MESSAGE",
                                          {{"MessageType", "im"},
                                           {"SessionId", c.session},
                                           {"MIME-Version", "1.0"},
                                           {"Content-Type", "text/plain; charset=\"utf-8\""}},
                                          {"Hello, this is message " + std::to_string(n)}));
    };
    const auto start = Clock::now();
    const auto end =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    long sentCount = 0;
    bool sending = true;
    std::vector<epoll_event> events(1024);
    char buffer[65536];
    for (;;) {
        const auto now = Clock::now();
        if (sending && now >= end)
            sending = false;
        if (!sending) {
            bool idle = true;
            for (const Client& c : clients)
                idle = idle && c.inFlight == 0;
            if (idle || now >= end + std::chrono::seconds(10))
                break;
        }
        const int n = epoll_wait(ep, events.data(), static_cast<int>(events.size()), 100);
        for (int k = 0; k < n; ++k) {
            Client& c = clients[events[k].data.u64];
            if (events[k].events & EPOLLIN) {
                for (;;) {
                    const ssize_t got = recv(c.fd, buffer, sizeof buffer, 0);
                    if (got <= 0)
                        break;
                    c.partial.append(buffer, static_cast<size_t>(got));
                    size_t startLine = 0;
                    for (size_t eol; (eol = c.partial.find("\r\n", startLine)) != std::string::npos;
                         startLine = eol + 2) {
                        const std::string_view line(c.partial.data() + startLine, eol - startLine);
                        if (line == "A MESSAGE")
                            ++c.received;
                        else if (line == "S .")
                            --c.inFlight;
                    }
                    c.partial.erase(0, startLine);
                }
            }
            while (sending && c.inFlight < g_window) {
                c.out += request(c, sentCount++);
                ++c.inFlight;
            }
            while (!c.out.empty()) {
                const ssize_t put = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
                if (put <= 0)
                    break;
                c.out.erase(0, static_cast<size_t>(put));
            }
        }
    }
    const double elapsed = Seconds(Clock::now() - start);
    routed = 0;
    for (const Client& c : clients)
        routed += c.received;
    close(ep);
    return elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    const double loadSeconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    if (argc > 2)
        g_window = std::max(1, std::atoi(argv[2]));
    signal(SIGPIPE, SIG_IGN);
    const std::string usersFile = WriteUsersFile();
    const Server server = StartServer(usersFile);
    std::printf("zep-devserver pid %d port %d, %d users\n", server.pid, server.port, kContacts + 1);

    // 3. LOGON and SUBSCRIBE 2000 contacts on an otherwise idle server.
    {
        const auto t0 = Clock::now();
        Client big;
        big.Connect(server.port);
        if (big.Exchange("VERSION").status != "250 4.0")
            Die("version");
        big.Logon("big@bench.test");
        const WireReply contacts = big.Exchange("LIST CONTACTS", {{"Type", "CONTACT"}});
        std::vector<std::string> batch;
        size_t records = 0;
        for (const std::string& line : contacts.data) {
            batch.push_back(line.substr(line.rfind(':') + 1));
            if (batch.size() == 20 || &line == &contacts.data.back()) {
                std::string list;
                for (const std::string& encoded : batch) {
                    std::string address = encoded;
                    const size_t at = address.find("%40");
                    address.replace(at, 3, "@");
                    list += (list.empty() ? "" : ",") + address;
                }
                records += big.Exchange("SUBSCRIBE", {{"Email", list}}).data.size();
                batch.clear();
            }
        }
        const double elapsed = Seconds(Clock::now() - t0);
        std::printf("logon + list + subscribe %zu contacts (%zu requests of 20): %.1f ms\n",
                    records, (records + 19) / 20, elapsed * 1000);
        close(big.fd);
    }

    // 1. Memory per connected client.
    const long idleKiB = ResidentKiB(server.pid);
    std::vector<Client> clients(kClients);
    const auto logonStart = Clock::now();
    for (int i = 0; i < kClients; ++i) {
        clients[i].Connect(server.port);
        clients[i].Logon(Address(i));
    }
    const double logonSeconds = Seconds(Clock::now() - logonStart);
    const long loggedOnKiB = ResidentKiB(server.pid);
    std::printf("%d clients logged on in %.2f s; server RSS %ld KiB idle, %ld KiB with clients: "
                "%.1f KiB per client\n",
                kClients, logonSeconds, idleKiB, loggedOnKiB,
                static_cast<double>(loggedOnKiB - idleKiB) / kClients);

    // 2. Sessions of two and the message load.
    for (int i = 0; i < kClients; i += 2) {
        const WireReply invite = clients[i].Exchange("INVITE", {{"Email", Address(i + 1)}});
        if (invite.Code() != "250")
            Die("invite " + invite.status);
        clients[i].session = clients[i + 1].session = invite.status.substr(4);
    }
    for (Client& c : clients) {
        c.reader = WireReader(); // SESSION events of the set-up are not counted
    }
    long routed = 0;
    const double cpuBefore = CpuSeconds(server.pid);
    const double elapsed = MessageLoad(clients, loadSeconds, routed);
    const double serverCpu = CpuSeconds(server.pid) - cpuBefore;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("load generator CPU so far: %.2f s\n",
                static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                    static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6);
    const long loadedKiB = ResidentKiB(server.pid);
    std::printf("messages routed: %ld in %.2f s = %.0f per second (%d clients, %d sessions, "
                "window %d); server CPU busy %.0f%% of one core; server RSS after load %ld KiB\n",
                routed, elapsed, routed / elapsed, kClients, kClients / 2, g_window,
                100 * serverCpu / elapsed, loadedKiB);

    for (Client& c : clients)
        close(c.fd);
    kill(server.pid, SIGTERM);
    int status = 0;
    waitpid(server.pid, &status, 0);
    unlink(usersFile.c_str());
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
