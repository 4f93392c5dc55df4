// Time to a usable session on loopback: connect, proxy tunnel (through tinyproxy), TLS
// handshake, greeting, "VERSION" and "LOGON", each scenario repeated and its median printed.
//   bench_tls_connect [connections]
//       against an in-process server that answers every request with "250 OK"
//   bench_tls_connect [connections] --server HOST PORT TLSPORT EMAIL PASSWORD
//       against a running messaging server, with a real logon
//   bench_tls_connect [connections] --devserver PATH
//       starts that zep-devserver on ephemeral ports and logs on as its demo user anna

#include "protocol/framing.h"
#include "tests/support/child_process.h"
#include "tests/support/tiny_proxy.h"
#include "tests/support/tls_test_server.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <regex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace zep;

namespace {

// Serves connections one after the other: optional TLS, greeting, "250 OK" to every request.
class AnsweringServer
{
public:
    explicit AnsweringServer(bool tls) : m_tls(tls)
    {
        if (tls) {
            test::TestCertificate pair = test::MakeSelfSignedCertificate("bench.test");
            m_ctx = SSL_CTX_new(TLS_server_method());
            BIO* cert = BIO_new_mem_buf(pair.certPem.data(), static_cast<int>(pair.certPem.size()));
            BIO* key = BIO_new_mem_buf(pair.keyPem.data(), static_cast<int>(pair.keyPem.size()));
            X509* x509 = PEM_read_bio_X509(cert, nullptr, nullptr, nullptr);
            EVP_PKEY* pkey = PEM_read_bio_PrivateKey(key, nullptr, nullptr, nullptr);
            SSL_CTX_use_certificate(m_ctx, x509);
            SSL_CTX_use_PrivateKey(m_ctx, pkey);
            X509_free(x509);
            EVP_PKEY_free(pkey);
            BIO_free(cert);
            BIO_free(key);
        }
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(m_listen, 16);
        socklen_t length = sizeof addr;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &length);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~AnsweringServer()
    {
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
        SSL_CTX_free(m_ctx);
    }
    std::uint16_t Port() const { return m_port; }

private:
    void Run()
    {
        for (;;) {
            int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            int noDelay = 1;
            setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
            Serve(fd);
            ::close(fd);
        }
    }

    void Serve(int fd)
    {
        SSL* ssl = nullptr;
        if (m_tls) {
            ssl = SSL_new(m_ctx);
            SSL_set_fd(ssl, fd);
            if (SSL_accept(ssl) != 1) {
                SSL_free(ssl);
                ERR_clear_error();
                return;
            }
        }
        auto write = [&](const std::string& text) {
            if (ssl)
                SSL_write(ssl, text.data(), static_cast<int>(text.size()));
            else
                ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
        };
        write("S 220 bench server\r\n");
        std::string buffer;
        char chunk[16384];
        for (;;) {
            int n = ssl ? SSL_read(ssl, chunk, sizeof chunk)
                        : static_cast<int>(::recv(fd, chunk, sizeof chunk, 0));
            if (n <= 0)
                break;
            buffer.append(chunk, static_cast<std::size_t>(n));
            std::size_t end;
            while ((end = buffer.find("\r\n.\r\n")) != std::string::npos) {
                buffer.erase(0, end + 5);
                write("S 250 OK\r\nS .\r\n");
            }
        }
        if (ssl) {
            SSL_free(ssl);
            ERR_clear_error();
        }
    }

    bool m_tls;
    SSL_CTX* m_ctx = nullptr;
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

struct Target
{
    std::string host = "127.0.0.1";
    std::uint16_t port = 0;
    std::uint16_t tlsPort = 0;
    std::string email = "bench@example.test";
    std::string password = "bench";
};

// One session: connect (tunnel, handshake, greeting), "VERSION", "LOGON"; milliseconds, or -1
// with the failed step printed.
double TimeOneSession(const Target& target, bool tls, std::uint16_t proxyPort)
{
    ImConnection conn;
    // The servers' certificates are made at their start: accepted as on a first use, with the
    // look-up in a (missing) trust file that every real connection makes.
    conn.trust.pinFile = "/nonexistent/zep-bench.trust";
    conn.trust.acceptUnknown = true;
    auto start = std::chrono::steady_clock::now();
    ImResult r = ImConnect(conn, target.host, tls ? target.tlsPort : target.port, tls,
                           proxyPort != 0, "127.0.0.1", proxyPort);
    if (r != ImResult::Ok) {
        std::fprintf(stderr, "connect: %s\n", ImResultName(r));
        return -1;
    }
    LineList reply;
    r = ImExchange(conn, "VERSION\r\n.\r\n", reply);
    if (r == ImResult::Ok)
        r = ImReplyResult(reply);
    if (r != ImResult::Ok) {
        std::fprintf(stderr, "VERSION: %s\n", ImResultName(r));
        return -1;
    }
    conn.auth.userName = target.email;
    conn.auth.password = target.password;
    conn.auth.realm = target.email;
    std::string logon =
        "LOGON\r\nEmail: " + target.email + "\r\nClientType: IM\r\nLogoff: 1\r\n.\r\n";
    r = ImExchange(conn, logon, reply);
    if (r == ImResult::Ok)
        r = ImReplyResult(reply);
    if (r != ImResult::Ok) {
        std::fprintf(stderr, "LOGON: %s (%s)\n", ImResultName(r),
                     reply.Empty() ? "no reply" : reply.Tail().c_str());
        return -1;
    }
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    ImDisconnect(conn);
    return ms;
}

bool Measure(const char* name, const Target& target, bool tls, std::uint16_t proxyPort,
             int connections)
{
    std::vector<double> times;
    for (int i = 0; i < connections; ++i) {
        double ms = TimeOneSession(target, tls, proxyPort);
        if (ms < 0) {
            std::fprintf(stderr, "%s: session %d failed\n", name, i);
            return false;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("%-12s %d sessions: median %.2f ms (min %.2f, p90 %.2f, max %.2f)\n", name,
                connections, times[times.size() / 2], times.front(), times[times.size() * 9 / 10],
                times.back());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int connections = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    SetDefaultTimeouts(10, 10);
    Target target;
    std::unique_ptr<AnsweringServer> plain;
    std::unique_ptr<AnsweringServer> tls;
    test::ChildProcess devserver;
    if (argc > 2 && std::strcmp(argv[2], "--server") == 0) {
        if (argc < 8) {
            std::fprintf(stderr, "usage: %s N --server HOST PORT TLSPORT EMAIL PASSWORD\n",
                         argv[0]);
            return 2;
        }
        target.host = argv[3];
        target.port = static_cast<std::uint16_t>(std::atoi(argv[4]));
        target.tlsPort = static_cast<std::uint16_t>(std::atoi(argv[5]));
        target.email = argv[6];
        target.password = argv[7];
        std::printf("server %s ports %u/%u, logon as %s\n", target.host.c_str(), target.port,
                    target.tlsPort, target.email.c_str());
    } else if (argc > 3 && std::strcmp(argv[2], "--devserver") == 0) {
        if (!devserver.Start(
                {argv[3], "--listen", "127.0.0.1", "--port", "0", "--tls-port", "0"})) {
            std::fprintf(stderr, "%s did not start\n", argv[3]);
            return 1;
        }
        std::string line = devserver.WaitForOutput("listening on ");
        std::smatch ports;
        if (!std::regex_search(line, ports, std::regex(R"(:(\d+) tls (\d+))"))) {
            std::fprintf(stderr, "no ports from %s: %s\n", argv[3], devserver.Output().c_str());
            return 1;
        }
        target.port = static_cast<std::uint16_t>(std::stoi(ports[1]));
        target.tlsPort = static_cast<std::uint16_t>(std::stoi(ports[2]));
        target.email = "anna@example.com";
        target.password = "anna123";
        std::printf("zep-devserver %s, logon as %s\n", line.c_str(), target.email.c_str());
    } else {
        plain = std::make_unique<AnsweringServer>(false);
        tls = std::make_unique<AnsweringServer>(true);
        target.port = plain->Port();
        target.tlsPort = tls->Port();
        std::printf("in-process server answering every request with 250\n");
    }
    test::TinyProxy proxy;
    if (!proxy.Start({target.port, target.tlsPort})) {
        std::fprintf(stderr, "tinyproxy did not start\n");
        return 1;
    }
    bool ok = Measure("plain", target, false, 0, connections) &&
              Measure("tls", target, true, 0, connections) &&
              Measure("plain+proxy", target, false, proxy.Port(), connections) &&
              Measure("tls+proxy", target, true, proxy.Port(), connections);
    return ok ? 0 : 1;
}
