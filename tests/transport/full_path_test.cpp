// The whole road: zepim-cli through tinyproxy, in TLS, to zep-devserver; and the TLS layer
// against the development server's TLS port directly.

#include "protocol/framing.h"
#include "tests/support/child_process.h"
#include "tests/support/tiny_proxy.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"
#include "transport/tls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace zep {
namespace {

// zep-devserver on ephemeral loopback ports with its demo users and self-signed certificate.
class DevServer
{
public:
    bool Start()
    {
        if (!process.Start(
                {ZEP_DEVSERVER, "--listen", "127.0.0.1", "--port", "0", "--tls-port", "0"}))
            return false;
        std::string line = process.WaitForOutput("listening on ");
        std::smatch ports;
        if (!std::regex_search(line, ports, std::regex(R"(:(\d+) tls (\d+))")))
            return false;
        port = static_cast<std::uint16_t>(std::stoi(ports[1]));
        tlsPort = static_cast<std::uint16_t>(std::stoi(ports[2]));
        return port != 0 && tlsPort != 0;
    }

    test::ChildProcess process;
    std::uint16_t port = 0;
    std::uint16_t tlsPort = 0;
};

TEST(FullPathTest, CliThroughTinyproxyInTlsLogsOnAndListsContacts)
{
    DevServer server;
    ASSERT_TRUE(server.Start()) << server.process.Output();
    test::TinyProxy proxy;
    ASSERT_TRUE(proxy.Start({server.tlsPort})) << proxy.Output();

    setenv("ZEPIM_PASSWORD", "anna123", 1);
    // The server's certificate is new each start: accepted on first use, in a folder of its own.
    test::TempDir config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    test::ChildProcess cli;
    ASSERT_TRUE(cli.Start({ZEP_CLI, "--server", "127.0.0.1", "--port",
                           std::to_string(server.tlsPort), "--tls", "--accept-new-certificate",
                           "--proxy", "127.0.0.1:" + std::to_string(proxy.Port()), "--email",
                           "anna@example.com", "contacts"}));
    EXPECT_EQ(cli.Wait(), 0) << cli.Output();
    unsetenv("ZEPIM_PASSWORD");
    unsetenv("XDG_CONFIG_HOME");

    const std::string out = cli.Output();
    for (const char* contact : {"ben@example.com\t", "carla@example.com\t", "echo@example.com\t"})
        EXPECT_NE(out.find(contact), std::string::npos) << contact << " missing in:\n" << out;
    // The connection really went through the proxy, to the TLS port.
    EXPECT_NE(
        proxy.Output().find("CONNECT 127.0.0.1:" + std::to_string(server.tlsPort) + " HTTP/1.0"),
        std::string::npos)
        << proxy.Output();
}

TEST(FullPathTest, DevServerTlsPortDirectly)
{
    SetDefaultTimeouts(10, 10);
    DevServer server;
    ASSERT_TRUE(server.Start()) << server.process.Output();
    test::TempDir pins;
    ImConnection conn;
    conn.trust.pinFile = pins.File("trust");
    conn.trust.acceptUnknown = true;
    ASSERT_EQ(ImConnect(conn, "127.0.0.1", server.tlsPort, true, false, "", 0), ImResult::Ok);
    std::string cipher;
    EXPECT_TRUE(CipherDescription(conn, cipher));
    TlsPeerCertificate peer;
    ASSERT_TRUE(TlsPeerCertificateOf(conn.tls, peer));
    EXPECT_FALSE(peer.subject.empty());
    EXPECT_EQ(peer.sha256.size(), 95u);

    LineList reply;
    ASSERT_EQ(ImExchange(conn, "VERSION\r\n.\r\n", reply), ImResult::Ok);
    EXPECT_EQ(ImReplyResult(reply), ImResult::Ok);
    ASSERT_FALSE(reply.Empty());
    EXPECT_EQ(reply.Tail().substr(0, 3), "250") << reply.Tail();

    // The plain port refuses to be spoken to in TLS: the handshake fails, nothing hangs.
    ImConnection plain;
    EXPECT_EQ(ImConnect(plain, "127.0.0.1", server.port, true, false, "", 0),
              ImResult::Failed); // every handshake failure looks alike here
    SetDefaultTimeouts(240, 240);
}

} // namespace
} // namespace zep
