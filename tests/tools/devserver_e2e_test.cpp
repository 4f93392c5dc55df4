// zepim-cli as a separate process against a real zep-devserver with its demo users.

#include "tests/support/child_process.h"
#include "tests/support/tiny_proxy.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>

namespace zep::test {
namespace {

using namespace std::chrono_literals;

// A zepim-cli run with stdout and stderr kept apart and its exit status.
class CliProcess
{
public:
    CliProcess(const std::vector<std::string>& args, const std::string& password,
               const std::string& configHome = {})
    {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            // No terminal to ask on, as in a script: no controlling one, no input.
            setsid();
            const int null = open("/dev/null", O_RDONLY);
            dup2(null, 0);
            setenv("ZEPIM_PASSWORD", password.c_str(), 1);
            // The trust file of the run: never the user's own.
            if (!configHome.empty())
                setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
            std::vector<char*> argv;
            std::vector<std::string> all = args;
            all.insert(all.begin(), ZEPIM_CLI_BINARY);
            for (std::string& a : all)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~CliProcess()
    {
        if (m_pid > 0 && m_status < 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
        if (m_err >= 0)
            close(m_err);
    }

    // Reads stdout until it holds `text` (true) or the limit passes or the output ends.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit = 10s)
    {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (m_stdout.find(text) == std::string::npos) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || !ReadSome(m_out, m_stdout, static_cast<int>(left.count())))
                return false;
        }
        return true;
    }
    void Signal(int signal) { kill(m_pid, signal); }
    // Waits for the end (at most `limit`); the exit status, or -1.
    int Wait(std::chrono::milliseconds limit = 20s)
    {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (ReadSome(m_out, m_stdout, 50) || ReadSome(m_err, m_stderr, 0) ||
               std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                while (ReadSome(m_out, m_stdout, 0) || ReadSome(m_err, m_stderr, 0)) {
                }
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return m_status;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                break;
        }
        return -1;
    }
    const std::string& Out() const { return m_stdout; }
    const std::string& Err() const { return m_stderr; }

private:
    static bool ReadSome(int fd, std::string& into, int waitMs)
    {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, waitMs) <= 0)
            return false;
        char buffer[65536];
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    int m_status = -1;
    std::string m_stdout;
    std::string m_stderr;
};

class DevserverE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.Start({ZEP_DEVSERVER_BINARY, "--port", "0", "--tls-port", "0"}));
        std::string line = server.WaitForOutput("listening on");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(line, m, std::regex("listening on (\\S+):(\\d+) tls (\\d+)")))
            << server.Output();
        host = m[1];
        port = m[2];
        tlsPort = m[3];
    }

    struct Result
    {
        int status;
        std::string out;
        std::string err;
    };
    Result Run(const std::string& email, const std::string& password,
               std::vector<std::string> command, std::vector<std::string> extra = {})
    {
        std::vector<std::string> args = {"--server", host, "--port", port, "--email", email};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), command.begin(), command.end());
        CliProcess cli(args, password, config.Path());
        int status = cli.Wait();
        return {status, cli.Out(), cli.Err()};
    }
    std::vector<std::string> Args(const std::string& email, std::vector<std::string> command)
    {
        std::vector<std::string> args = {"--server", host, "--port", port, "--email", email};
        args.insert(args.end(), command.begin(), command.end());
        return args;
    }

    std::string TrustFile() const { return config.File("Corvane/ZEP Instant Messenger.trust"); }
    std::string ReadTrust() const
    {
        std::ifstream in(TrustFile());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    ChildProcess server;
    TempDir config;
    std::string host;
    std::string port;
    std::string tlsPort;
};

TEST_F(DevserverE2E, ContactsListedSortedWithTheirPresence)
{
    Result r = Run("anna@example.com", "anna123", {"contacts"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::regex line("ben@example.com\t(AVAILABLE|UNAVAILABLE)\t[A-Z]*\tBen Okafor\n"
                    "carla@example.com\t(AVAILABLE|UNAVAILABLE)\t[A-Z]*\tCarla Diaz\n"
                    "echo@example.com\t(AVAILABLE|UNAVAILABLE)\t[A-Z]*\tEcho\n");
    EXPECT_TRUE(std::regex_match(r.out, line)) << r.out;
}

TEST_F(DevserverE2E, WrongPasswordIsALogonFailure)
{
    Result r = Run("anna@example.com", "not-it", {"contacts"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zepim-cli: logon: Failed (235)\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(DevserverE2E, WatchSeesPresenceAndAMessageAndEndsOnSigterm)
{
    CliProcess watch(Args("ben@example.com", {"watch"}), "ben123");
    ASSERT_TRUE(watch.WaitForOutput("READY\n")) << watch.Err();
    Result status = Run("anna@example.com", "anna123", {"status", "AVAILABLE", "LUNCH"});
    ASSERT_EQ(status.status, 0) << status.err;
    ASSERT_TRUE(watch.WaitForOutput("SubStatus=LUNCH")) << watch.Out();
    Result sent =
        Run("anna@example.com", "anna123", {"send-im", "ben@example.com", "hi \\ ben\nline 2"});
    ASSERT_EQ(sent.status, 0) << sent.err;
    EXPECT_EQ(sent.out, "");
    ASSERT_TRUE(watch.WaitForOutput("text=")) << watch.Out();
    ASSERT_TRUE(watch.WaitForOutput("\n", 1s));
    watch.Signal(SIGTERM);
    EXPECT_EQ(watch.Wait(), 0) << watch.Err();
    std::istringstream lines(watch.Out());
    std::string line;
    bool sawPresence = false;
    bool sawMessage = false;
    while (std::getline(lines, line)) {
        if (line.rfind("PRESENCE\t", 0) == 0 &&
            line.find("\tEmail=anna@example.com") != std::string::npos)
            sawPresence = true;
        if (line.rfind("MESSAGE\t", 0) == 0) {
            sawMessage = true;
            EXPECT_NE(line.find("\tFrom=anna@example.com"), std::string::npos) << line;
            EXPECT_EQ(line.substr(line.find("\ttext=")), "\ttext=hi \\\\ ben\\r\\nline 2") << line;
        }
    }
    EXPECT_TRUE(sawPresence) << watch.Out();
    EXPECT_TRUE(sawMessage) << watch.Out();
}

TEST_F(DevserverE2E, VariablesRoundTrip)
{
    Result set =
        Run("carla@example.com", "carla123", {"set-variable", "IMAwayTime=17", "IMShowAway=0"});
    ASSERT_EQ(set.status, 0) << set.err;
    Result get = Run("carla@example.com", "carla123", {"variables"});
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_NE(get.out.find("\nIMShowAway=0\nIMAwayTime=17\n"), std::string::npos) << get.out;
    int lines = 0;
    for (char c : get.out)
        lines += c == '\n';
    EXPECT_EQ(lines, 14);
}

TEST_F(DevserverE2E, DeleteAddAndBlockChangeTheContactList)
{
    ASSERT_EQ(Run("anna@example.com", "anna123", {"delete-contact", "carla@example.com"}).status,
              0);
    Result after = Run("anna@example.com", "anna123", {"contacts"});
    EXPECT_EQ(after.out.find("carla@example.com"), std::string::npos) << after.out;
    Result added = Run("anna@example.com", "anna123", {"add-contact", "carla@example.com"});
    ASSERT_EQ(added.status, 0) << added.err;
    EXPECT_EQ(added.out, "'Carla Diaz' has been successfully added to your contact list.\n");
    Result again = Run("anna@example.com", "anna123", {"add-contact", "carla@example.com"});
    EXPECT_EQ(again.out, "'Carla Diaz' has already been added to your contact list.\n");
    Result blocked = Run("anna@example.com", "anna123", {"block", "ben@example.com"});
    ASSERT_EQ(blocked.status, 0) << blocked.err;
    Result missing = Run("anna@example.com", "anna123", {"delete-contact", "nobody@example.com"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find(": NotFound (207)\n"), std::string::npos) << missing.err;
}

TEST_F(DevserverE2E, SearchAndOfflineMessages)
{
    Result found = Run("ben@example.com", "ben123", {"search", "carla"});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(found.out, "carla@example.com\tCarla Diaz\n");
    Result email =
        Run("anna@example.com", "anna123", {"send-email", "ben@example.com", "Lunch?", ".at noon"});
    EXPECT_EQ(email.status, 0) << email.err;
    Result sms = Run("anna@example.com", "anna123", {"send-sms", "+44 7700 900102", "call me"});
    EXPECT_EQ(sms.status, 0) << sms.err;
    Result pager = Run("ben@example.com", "ben123", {"send-pager", "+44 7623 900101", "x"});
    EXPECT_EQ(pager.status, 1); // Ben has no pager of his own
    EXPECT_NE(pager.err.find("NotFound (207)"), std::string::npos) << pager.err;
}

TEST_F(DevserverE2E, TrafficLogWithoutCredentials)
{
    TempDir dir;
    std::string log = dir.File("traffic.log");
    Result r = Run("anna@example.com", "anna123", {"contacts"}, {"--log", log});
    ASSERT_EQ(r.status, 0) << r.err;
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("LOGON"), std::string::npos);
    EXPECT_NE(text.str().find("Authorization: [hidden]"), std::string::npos);
    EXPECT_EQ(text.str().find("anna123"), std::string::npos);
    EXPECT_EQ(text.str().find("response="), std::string::npos);
}

TEST_F(DevserverE2E, TlsCertificateTrustedOnFirstUseThenPinned)
{
    // The development server's certificate is self-signed: the first run pins it.
    Result first = Run("anna@example.com", "anna123", {"contacts"},
                       {"--tls", "--port", tlsPort, "--accept-new-certificate"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("ben@example.com"), std::string::npos) << first.out;
    std::smatch m;
    ASSERT_TRUE(std::regex_match(
        first.err, m,
        std::regex("zepim-cli: trusting the certificate of " + host + ":" + tlsPort +
                   " on first use: SHA-256 ((?:[0-9A-F]{2}:){31}[0-9A-F]{2}) \\(pinned in " +
                   TrustFile() + "\\)\n")))
        << first.err;
    const std::string colons = m[1];
    const std::string plain = std::regex_replace(colons, std::regex(":"), "");
    const std::string pinned = host + " " + tlsPort + " " + plain + "\n";
    ASSERT_EQ(ReadTrust(), pinned);

    const std::string otherPlain(64, 'C');
    std::string otherColons;
    for (int i = 0; i < 32; ++i)
        otherColons += std::string(i ? ":" : "") + "CC";
    const std::string otherPin = host + " " + tlsPort + " " + otherPlain + "\n";
    struct Row
    {
        const char* name;
        std::string trust; // the file before the run
        bool tls;
        std::vector<std::string> extra;
        int status;
        std::vector<std::string> errHas;    // empty: stderr must be empty
        const std::string* after = nullptr; // the file after the run; null: as before
    } rows[] = {
        {"new certificate without a terminal is refused and not pinned",
         "",
         true,
         {},
         1,
         {"SHA-256 " + colons, "--accept-new-certificate", "connect: CertificateUnknown (164)"}},
        {"new certificate is pinned when accepted",
         "",
         true,
         {"--accept-new-certificate"},
         0,
         {"trusting the certificate of " + host + ":" + tlsPort},
         &pinned},
        {"pinned certificate is accepted silently", pinned, true, {}, 0, {}},
        {"changed certificate is refused with both fingerprints",
         otherPin,
         true,
         {},
         1,
         {"WARNING: the certificate of " + host + ":" + tlsPort + " is not the pinned one",
          "expected SHA-256 " + otherColons, "presented SHA-256 " + colons,
          "zepim-cli: connect: CertificateChanged (165)\n"}},
        {"named fingerprint accepts it for one run",
         otherPin,
         true,
         {"--tls-fingerprint", plain},
         0,
         {}},
        {"named fingerprint in colon form", "", true, {"--tls-fingerprint=" + colons}, 0, {}},
        {"named other fingerprint is refused",
         pinned,
         true,
         {"--tls-fingerprint", otherColons},
         1,
         {"is not the one given with --tls-fingerprint", "expected SHA-256 " + otherColons,
          "presented SHA-256 " + colons}},
        {"named fingerprint needs tls",
         pinned,
         false,
         {"--tls-fingerprint", plain},
         2,
         {"--tls-fingerprint needs --tls"}},
        {"malformed fingerprint",
         pinned,
         true,
         {"--tls-fingerprint", "AB:CD"},
         2,
         {"bad SHA-256 fingerprint: AB:CD"}},
    };
    for (const Row& row : rows) {
        std::remove(TrustFile().c_str());
        if (!row.trust.empty()) {
            std::ofstream(TrustFile()) << row.trust;
        }
        std::vector<std::string> extra = {"--port", tlsPort};
        if (row.tls)
            extra.push_back("--tls");
        extra.insert(extra.end(), row.extra.begin(), row.extra.end());
        Result r = Run("anna@example.com", "anna123", {"contacts"}, extra);
        EXPECT_EQ(r.status, row.status) << row.name << "\n" << r.err;
        if (row.errHas.empty()) {
            EXPECT_EQ(r.err, "") << row.name;
        }
        for (const std::string& part : row.errHas)
            EXPECT_NE(r.err.find(part), std::string::npos) << row.name << ": " << part << "\n"
                                                           << r.err;
        EXPECT_EQ(r.out.find("ben@example.com") != std::string::npos, row.status == 0) << row.name;
        // Only an accepted first use writes the file; a named certificate never does.
        EXPECT_EQ(ReadTrust(), row.after ? *row.after : row.trust) << row.name;
    }
}

TEST_F(DevserverE2E, ThroughAnHttpProxyAndInTls)
{
    TinyProxy proxy;
    ASSERT_TRUE(proxy.Start({static_cast<std::uint16_t>(std::stoi(port)),
                             static_cast<std::uint16_t>(std::stoi(tlsPort))}));
    std::string via = "127.0.0.1:" + std::to_string(proxy.Port());
    Result plain = Run("ben@example.com", "ben123", {"contacts"}, {"--proxy", via});
    EXPECT_EQ(plain.status, 0) << plain.err;
    EXPECT_NE(plain.out.find("anna@example.com"), std::string::npos) << plain.out;
    Result tls = Run("ben@example.com", "ben123", {"contacts"},
                     {"--proxy", via, "--tls", "--accept-new-certificate", "--port", tlsPort});
    EXPECT_EQ(tls.status, 0) << tls.err;
    EXPECT_NE(tls.out.find("anna@example.com"), std::string::npos) << tls.out;
}

} // namespace
} // namespace zep::test
