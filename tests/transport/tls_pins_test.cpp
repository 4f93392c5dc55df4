// The trust file: fingerprints in either notation, lines good and bad, the last pin of a server
// winning, host case, the owner-only atomic write and the lock-protected edits.

#include "tests/support/child_process.h"
#include "transport/tls_pins.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace zep {
namespace {

const std::string kA(64, 'A');
const std::string kB = "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

unsigned Mode(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(TlsPinsTest, FingerprintNotations)
{
    const std::string colons = ColonFingerprint(kB);
    struct Row
    {
        const char* name;
        std::string text;
        std::string normal;
    } rows[] = {
        {"plain upper", kB, kB},
        {"plain lower", "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef", kB},
        {"colon pairs", colons, kB},
        {"one digit short", kB.substr(1), ""},
        {"one digit more", kB + "0", ""},
        {"not hex", std::string(63, 'A') + "G", ""},
        {"leading colon", ":" + kB, ""},
        {"trailing colon", colons + ":", ""},
        {"doubled colon", "01::" + kB.substr(2), ""},
        {"colon inside a pair", "0:1" + kB.substr(2), ""},
        {"blank inside", kB.substr(0, 10) + " " + kB.substr(10), ""},
        {"sha-1 length", std::string(40, 'A'), ""},
        {"empty", "", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(NormalFingerprint(row.text), row.normal) << row.name;
    EXPECT_EQ(colons.size(), 95u);
    EXPECT_EQ(colons.substr(0, 9), "01:23:45:");
}

TEST(TlsPinsTest, ParsingLines)
{
    struct Row
    {
        const char* name;
        std::string text;
        std::vector<std::string> pins; // "host port fingerprint" as written back
        int bad;
    } rows[] = {
        {"one pin", "mail.example 8368 " + kA + "\n", {"mail.example 8368 " + kA}, 0},
        {"no final newline, CRLF, tabs",
         "a.example\t8368  " + kA + "\r\nb.example 1 " + kB,
         {"a.example 8368 " + kA, "b.example 1 " + kB},
         0},
        {"colon fingerprint and host case",
         "Mail.EXAMPLE 8368 " + ColonFingerprint(kB) + "\n",
         {"mail.example 8368 " + kB},
         0},
        {"comments and blank lines", "# pins\n\n   \n#x 1 " + kA + "\n", {}, 0},
        {"later pin of a server wins",
         "h 8368 " + kA + "\nH 8368 " + kB + "\n",
         {"h 8368 " + kB},
         0},
        {"ports apart",
         "h 8368 " + kA + "\nh 8369 " + kB + "\n",
         {"h 8368 " + kA, "h 8369 " + kB},
         0},
        {"missing fingerprint", "h 8368\n", {}, 1},
        {"extra word", "h 8368 " + kA + " x\n", {}, 1},
        {"port zero", "h 0 " + kA + "\n", {}, 1},
        {"port too large", "h 65536 " + kA + "\n", {}, 1},
        {"port with sign", "h +8368 " + kA + "\n", {}, 1},
        {"short fingerprint", "h 8368 ABCD\n", {}, 1},
        {"control byte in host", std::string("h\x01x 8368 ") + kA + "\n", {}, 1},
        {"bad line among good",
         "a 1 " + kA + "\nnonsense\nb 2 " + kB + "\n",
         {"a 1 " + kA, "b 2 " + kB},
         1},
        {"NUL bytes", std::string("a 1 ") + kA + std::string("\0\n", 2), {}, 1},
    };
    for (const Row& row : rows) {
        int bad = -1;
        std::vector<TlsPin> pins = ParsePins(row.text, &bad);
        std::vector<std::string> written;
        for (const TlsPin& pin : pins)
            written.push_back(pin.host + " " + std::to_string(pin.port) + " " + pin.sha256);
        EXPECT_EQ(written, row.pins) << row.name;
        EXPECT_EQ(bad, row.bad) << row.name;
    }
}

TEST(TlsPinsTest, LookupIgnoresHostCaseButNotPort)
{
    const std::vector<TlsPin> pins = ParsePins("mail.example 8368 " + kA + "\n");
    struct Row
    {
        const char* host;
        std::uint16_t port;
        bool found;
    } rows[] = {
        {"mail.example", 8368, true},   {"MAIL.Example", 8368, true},
        {"mail.example", 8367, false},  {"mail.example.", 8368, false},
        {"other.example", 8368, false}, {"", 8368, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(FindPin(pins, row.host, row.port).has_value(), row.found)
            << row.host << ":" << row.port;
}

TEST(TlsPinsTest, SavedFileIsOwnerOnlyAndWrittenInOneStep)
{
    test::TempDir dir;
    const std::string path = dir.File("new/Corvane/ZEP Instant Messenger.trust");
    // A stale temporary file of a crashed writer, readable by all.
    ASSERT_EQ(PinCertificate(path, "Seed.Example", 8368, kA), ImResult::Ok);
    {
        std::ofstream stale(path + ".new");
        stale << "garbage";
    }
    ::chmod((path + ".new").c_str(), 0644);
    ASSERT_EQ(PinCertificate(path, "mail.example", 8368, ColonFingerprint(kB)), ImResult::Ok);
    EXPECT_EQ(ReadFile(path), "seed.example 8368 " + kA + "\nmail.example 8368 " + kB + "\n");
    EXPECT_EQ(Mode(path), 0600u);
    EXPECT_EQ(Mode(dir.File("new/Corvane")), 0700u);
    struct stat st;
    EXPECT_NE(::stat((path + ".new").c_str(), &st), 0) << "temporary file left behind";

    std::vector<TlsPin> loaded;
    ASSERT_EQ(LoadPins(path, loaded), ImResult::Ok);
    EXPECT_EQ(FindPin(loaded, "MAIL.example", 8368), kB);
}

TEST(TlsPinsTest, EditsOfTheFile)
{
    struct Row
    {
        const char* name;
        std::string before; // empty: no file
        bool pin;           // else forget
        std::string host;
        std::uint16_t port;
        std::string fingerprint;
        ImResult result;
        std::string after;
    } rows[] = {
        {"first pin makes the file", "", true, "h", 8368, kA, ImResult::Ok, "h 8368 " + kA + "\n"},
        {"pin replaces the server's old one", "h 8368 " + kA + "\nk 1 " + kA + "\n", true, "H",
         8368, kB, ImResult::Ok, "h 8368 " + kB + "\nk 1 " + kA + "\n"},
        {"bad lines are dropped on the next write", "junk\nh 1 " + kA + "\n", true, "k", 2, kB,
         ImResult::Ok, "h 1 " + kA + "\nk 2 " + kB + "\n"},
        {"bad fingerprint changes nothing", "h 1 " + kA + "\n", true, "h", 1, "xyz",
         ImResult::BadArgument, "h 1 " + kA + "\n"},
        {"host with a blank is refused", "", true, "a b", 1, kA, ImResult::BadArgument, ""},
        {"port 0 is refused", "", true, "h", 0, kA, ImResult::BadArgument, ""},
        {"forget one of two", "h 1 " + kA + "\nk 2 " + kB + "\n", false, "K", 2, "", ImResult::Ok,
         "h 1 " + kA + "\n"},
        {"forget what is not there", "h 1 " + kA + "\n", false, "h", 2, "", ImResult::Ok,
         "h 1 " + kA + "\n"},
    };
    for (const Row& row : rows) {
        test::TempDir dir;
        const std::string path = dir.File("pins.trust");
        if (!row.before.empty()) {
            ASSERT_TRUE(dir.Write("pins.trust", row.before)) << row.name;
        }
        const ImResult r = row.pin ? PinCertificate(path, row.host, row.port, row.fingerprint)
                                   : ForgetPin(path, row.host, row.port);
        EXPECT_EQ(r, row.result) << row.name;
        EXPECT_EQ(ReadFile(path), row.after) << row.name;
    }
}

TEST(TlsPinsTest, UnreadableOrHugeFileIsNotOverwritten)
{
    test::TempDir dir;
    // A folder where the file should be: it cannot be read, so it is not replaced either.
    const std::string folder = dir.File("pins.trust");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    std::vector<TlsPin> pins;
    EXPECT_EQ(LoadPins(folder, pins), ImResult::Failed);
    EXPECT_EQ(PinCertificate(folder, "h", 1, kA), ImResult::Failed);

    std::string huge;
    while (huge.size() <= 1024 * 1024)
        huge += "h 1 " + kA + "\n";
    ASSERT_TRUE(dir.Write("huge.trust", huge));
    EXPECT_EQ(LoadPins(dir.File("huge.trust"), pins), ImResult::TooLarge);
    EXPECT_TRUE(pins.empty());
    EXPECT_EQ(PinCertificate(dir.File("huge.trust"), "k", 2, kB), ImResult::TooLarge);
    EXPECT_EQ(ReadFile(dir.File("huge.trust")).size(), huge.size());

    EXPECT_EQ(LoadPins(dir.File("missing.trust"), pins), ImResult::Ok);
}

TEST(TlsPinsTest, DefaultFileFollowsTheConfigurationFolder)
{
    struct Row
    {
        const char* config; // nullptr: unset
        const char* home;
        std::string path;
    } rows[] = {
        {"/x/config", "/home/u", "/x/config/Corvane/ZEP Instant Messenger.trust"},
        {nullptr, "/home/u", "/home/u/.config/Corvane/ZEP Instant Messenger.trust"},
        {"relative", "/home/u", "/home/u/.config/Corvane/ZEP Instant Messenger.trust"},
        {nullptr, nullptr, ""},
    };
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string config = savedConfig ? savedConfig : "";
    const std::string home = savedHome ? savedHome : "";
    for (const Row& row : rows) {
        row.config ? ::setenv("XDG_CONFIG_HOME", row.config, 1) : ::unsetenv("XDG_CONFIG_HOME");
        row.home ? ::setenv("HOME", row.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(DefaultTrustFile(), row.path) << (row.config ? row.config : "(unset)");
    }
    savedConfig ? ::setenv("XDG_CONFIG_HOME", config.c_str(), 1) : ::unsetenv("XDG_CONFIG_HOME");
    savedHome ? ::setenv("HOME", home.c_str(), 1) : ::unsetenv("HOME");
}

} // namespace
} // namespace zep
