#include "transport/log_writer.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace zep {
namespace {

namespace fs = std::filesystem;

class LogWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("zep-log-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        SetLogMask(0);
        fs::remove_all(dir);
    }
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir;
};

TEST_F(LogWriterTest, LineFormat)
{
    ImLog log(dir.string(), "ZEPIM", "ZEPIM");
    LogWrite(log, kLogFailure, 52, "Could not load x (2).");
    std::string text = Read(dir / "ZEPIM.LOG");
    std::regex line(R"(ZEPIM \d{1,2} (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d{4} )"
                    R"(\d{2}:\d{2}:\d{2}\.\d{3} F \d+ 00052 Could not load x \(2\)\.\r\n)");
    EXPECT_TRUE(std::regex_match(text, line)) << text;
}

TEST_F(LogWriterTest, LongTextIsCut)
{
    ImLog log(dir.string(), "ZEPIM", "ZEPIM");
    LogWrite(log, kLogProtocol, 1, std::string(20000, 'x'));
    std::string text = Read(dir / "ZEPIM.LOG");
    std::size_t xs = std::count(text.begin(), text.end(), 'x');
    EXPECT_EQ(xs, 10240u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

TEST_F(LogWriterTest, LockedFileFallsBackToNumberedNames)
{
    int held = ::open((dir / "ZEPIM.LOG").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    int held2 = ::open((dir / "ZEPIM2.LOG").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(flock(held2, LOCK_EX | LOCK_NB), 0);
    {
        ImLog log(dir.string(), "ZEPIM", "ZEPIM");
        LogWrite(log, kLogFailure, 1, "hello");
        EXPECT_EQ(log.CurrentPath(), (dir / "ZEPIM3.LOG").string());
    }
    EXPECT_NE(Read(dir / "ZEPIM3.LOG").find("hello"), std::string::npos);
    EXPECT_EQ(Read(dir / "ZEPIM.LOG"), "");
    ::close(held);
    ::close(held2);
}

TEST_F(LogWriterTest, UnwritableDirectoryIsRememberedNotRetried)
{
    ImLog log((dir / "missing" / "deeper").string(), "ZEPIM", "ZEPIM");
    LogWrite(log, kLogFailure, 1, "dropped");
    EXPECT_EQ(log.CurrentPath(), "");
    // Created later, the directory is still not tried again by this log.
    fs::create_directories(dir / "missing" / "deeper");
    LogWrite(log, kLogFailure, 1, "dropped too");
    EXPECT_FALSE(fs::exists(dir / "missing" / "deeper" / "ZEPIM.LOG"));
}

TEST_F(LogWriterTest, MaskDecidesWhatLogWriteIfWrites)
{
    ImLog log(dir.string(), "ZEPIM", "ZEPIM");
    SetLogMask(0);
    LogWriteIf(log, kLogProtocol, 1, "%s", "hidden");
    LogWriteIf(log, kLogR, 2, "%s", "always");
    SetLogMask(kLogProtocol);
    LogWriteIf(log, kLogProtocol, 3, "%d %s", 0, "shown");
    std::string text = Read(dir / "ZEPIM.LOG");
    EXPECT_EQ(text.find("hidden"), std::string::npos);
    EXPECT_NE(text.find(" R "), std::string::npos);
    EXPECT_NE(text.find("00003 0 shown"), std::string::npos);
}

TEST_F(LogWriterTest, HexDumpRows)
{
    ImLog log(dir.string(), "ZEPIM", "ZEPIM");
    std::string data = "ABCDEFGHIJKLMNOP\r\nQ";
    LogHexDump(log, 0, data.data(), data.size());
    std::string text = Read(dir / "ZEPIM.LOG");
    EXPECT_NE(text.find(" D "), std::string::npos);
    EXPECT_NE(text.find("00996 0 0 ABCDEFGHIJKLMNOP -- 0x41 0x42 "), std::string::npos) << text;
    EXPECT_NE(text.find("00996 0 1 ..Q -- 0x0d 0x0a 0x51 \r\n"), std::string::npos) << text;
}

TEST(LogLetter, FirstMatchingBitInOrder)
{
    EXPECT_EQ(LogLetter(0x1), 'I');
    EXPECT_EQ(LogLetter(0x2), 'F');
    EXPECT_EQ(LogLetter(0x4), 'P');
    EXPECT_EQ(LogLetter(0x100), 'A');
    EXPECT_EQ(LogLetter(0x4000), 'D');
    EXPECT_EQ(LogLetter(0x10000 | 0x4000), 'L'); // L is tested before D
    EXPECT_EQ(LogLetter(0x400000), 'Y');
    EXPECT_EQ(LogLetter(0x20), '$');
    EXPECT_EQ(LogLetter(0x80), '$');
}

} // namespace
} // namespace zep
