// The zep-devserver program itself: its first output line, options, refusal of bad files and
// an orderly end on SIGTERM.
#include "net_client.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <regex>
#include <sys/wait.h>
#include <unistd.h>

namespace zep::devserver::test {
namespace {

namespace fs = std::filesystem;

class Program
{
public:
    explicit Program(std::vector<std::string> args)
    {
        int out[2];
        int err[2];
        if (pipe(out) != 0 || pipe(err) != 0)
            throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            close(out[0]);
            close(err[0]);
            std::vector<char*> argv;
            args.insert(args.begin(), ZEP_DEVSERVER_BINARY);
            for (std::string& arg : args)
                argv.push_back(arg.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Program()
    {
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
        close(err_);
    }

    // Reads stdout up to the first line feed, waiting at most the time given.
    std::string FirstLine(std::chrono::milliseconds timeout = 10s)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        char c = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            if (read(out_, &c, 1) != 1 || c == '\n')
                break;
            line += c;
        }
        return line;
    }

    std::string Stderr()
    {
        std::string text;
        char buffer[4096];
        ssize_t n = 0;
        while ((n = read(err_, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }

    // Waits for the end; the exit code, or -1 on a signal or time-out.
    int Wait(std::chrono::milliseconds timeout = 10s)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            const pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            pollfd p{err_, POLLIN, 0};
            poll(&p, 1, 20); // wakes early when the program writes or closes stderr
        }
        return -1;
    }

    void Signal(int sig) { kill(pid_, sig); }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    bool exited_ = false;
};

struct Ports
{
    int port = 0;
    int tls = 0;
    int webmail = -1; // -1: not served
};

Ports ParseListening(const std::string& line)
{
    std::smatch match;
    static const std::regex pattern(
        "listening on 127\\.0\\.0\\.1:(\\d+) tls (\\d+)(?: webmail (\\d+))?");
    if (!std::regex_match(line, match, pattern))
        return {};
    return {std::stoi(match[1]), std::stoi(match[2]), match[3].matched ? std::stoi(match[3]) : -1};
}

fs::path TempFile(const std::string& name, const std::string& content)
{
    const fs::path path = fs::temp_directory_path() / (std::to_string(getpid()) + "-" + name);
    std::ofstream(path) << content;
    return path;
}

TEST(Program, PrintsItsPortsServesAndEndsCleanlyOnSigterm)
{
    Program program({"--port", "0", "--tls-port", "0"});
    const std::string line = program.FirstLine();
    const Ports ports = ParseListening(line);
    ASSERT_GT(ports.port, 0) << line;
    ASSERT_GT(ports.tls, 0) << line;
    // With a free messaging port the webmail page takes a free port too, never 8000.
    EXPECT_GT(ports.webmail, 0) << line;
    EXPECT_NE(ports.webmail, 8000) << line;
    NetClient plain;
    ASSERT_TRUE(plain.Connect(ports.port));
    EXPECT_EQ(plain.Logon("anna@example.com", "anna123").status, "250 OK");
    NetClient tls;
    ASSERT_TRUE(tls.Connect(ports.tls, true));
    EXPECT_EQ(tls.Logon("ben@example.com", "ben123").status, "250 OK");
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(), 0);
    EXPECT_TRUE(plain.WaitClosed());
}

TEST(Program, WebmailPortOptions)
{
    struct Row
    {
        std::vector<std::string> args;
        bool served;
    };
    for (const Row& row : {Row{{"--port", "0", "--tls-port", "0", "--webmail-port", "off"}, false},
                           Row{{"--port", "0", "--tls-port", "0", "--webmail-port", "0"}, true}}) {
        Program program(row.args);
        const std::string line = program.FirstLine();
        const Ports ports = ParseListening(line);
        ASSERT_GT(ports.port, 0) << line;
        EXPECT_EQ(ports.webmail > 0, row.served) << line;
    }
    Program bad({"--webmail-port", "eighty"});
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_NE(bad.Stderr().find("--webmail-port"), std::string::npos);
}

TEST(Program, SigintEndsItToo)
{
    Program program({"--port=0", "--tls-port=0"});
    ASSERT_GT(ParseListening(program.FirstLine()).port, 0);
    program.Signal(SIGINT);
    EXPECT_EQ(program.Wait(), 0);
}

TEST(Program, BadUsersFileIsRefusedWithTheProblemNamed)
{
    const fs::path file = TempFile("bad-users.json", R"({"users": [{"id": 1, "email": "a@x"}]})");
    Program program({"--port", "0", "--tls-port", "0", "--users", file.string()});
    EXPECT_EQ(program.Wait(), 1);
    const std::string err = program.Stderr();
    EXPECT_NE(err.find("users[0]: missing \"name\""), std::string::npos) << err;
    fs::remove(file);
}

TEST(Program, BadCommandLineShowsUsage)
{
    Program program({"--port", "seventy"});
    EXPECT_EQ(program.Wait(), 2);
    const std::string err = program.Stderr();
    EXPECT_NE(err.find("--port"), std::string::npos);
    EXPECT_NE(err.find("usage: zep-devserver"), std::string::npos);
    Program unknown({"--colour", "blue"});
    EXPECT_EQ(unknown.Wait(), 2);
    Program half({"--cert", "/tmp/x.pem"});
    EXPECT_EQ(half.Wait(), 2);
}

TEST(Program, HelpAndVersionAnswerWithoutServing)
{
    const struct
    {
        const char* option;
        const char* firstLineStart;
    } rows[] = {
        {"--help", "usage: zep-devserver"},
        {"-h", "usage: zep-devserver"},
        {"--version", "zep-devserver 18."},
    };
    for (const auto& row : rows) {
        // A port that is taken would fail the start: neither answer may try to listen.
        Program program({row.option, "--port", "1"});
        EXPECT_EQ(program.FirstLine().rfind(row.firstLineStart, 0), 0u) << row.option;
        EXPECT_EQ(program.Wait(), 0) << row.option;
    }
}

TEST(Program, UsersFileAndSessionTimeoutOption)
{
    const fs::path file = TempFile("users.json", R"({"users": [
        {"id": 10, "email": "x@t.test", "name": "X", "password": "px", "contacts": ["y@t.test"]},
        {"id": 11, "email": "y@t.test", "name": "Y", "password": "py"}]})");
    Program program(
        {"--port", "0", "--tls-port", "0", "--users", file.string(), "--session-timeout", "1"});
    const Ports ports = ParseListening(program.FirstLine());
    ASSERT_GT(ports.port, 0);
    NetClient x;
    NetClient y;
    ASSERT_TRUE(x.Connect(ports.port) && y.Connect(ports.port));
    EXPECT_EQ(x.Logon("x@t.test", "px").status, "250 OK");
    EXPECT_EQ(y.Logon("y@t.test", "py").status, "250 OK");
    EXPECT_EQ(x.Exchange("LIST CONTACTS", {{"Type", "CONTACT"}}).data,
              std::vector<std::string>{"11:Y:y%40t.test"});
    const WireReply invite = x.Exchange("INVITE", {{"Email", "y@t.test"}});
    ASSERT_EQ(invite.Code(), "250");
    auto timeout = y.WaitEvent("SESSION TIMEOUT");
    ASSERT_TRUE(timeout);
    EXPECT_EQ(EventHeader(*timeout, "SessionId"), invite.status.substr(4));
    fs::remove(file);
}

TEST(Program, CertificateAndKeyFromFiles)
{
    const fs::path dir = fs::temp_directory_path() / ("zep-cert-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::string cert = (dir / "cert.pem").string();
    const std::string key = (dir / "key.pem").string();
    const std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 "
                                "-nodes -subj /CN=localhost -days 1 -keyout " +
                                key + " -out " + cert + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    Program program({"--port", "0", "--tls-port", "0", "--cert", cert, "--key", key});
    const Ports ports = ParseListening(program.FirstLine());
    ASSERT_GT(ports.tls, 0);
    NetClient c;
    ASSERT_TRUE(c.Connect(ports.tls, true));
    EXPECT_EQ(c.Exchange("VERSION").status, "250 4.0");

    Program mismatched({"--port", "0", "--tls-port", "0", "--cert", cert, "--key", cert});
    EXPECT_EQ(mismatched.Wait(), 1);
    EXPECT_NE(mismatched.Stderr().find("key"), std::string::npos);
    fs::remove_all(dir);
}

} // namespace
} // namespace zep::devserver::test
