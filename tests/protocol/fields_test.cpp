#include "protocol/fields.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

TEST(FormDecode, PlusPercentAndLoneSigns)
{
    EXPECT_EQ(FormDecoded("a%3ab+c"), "a:b c");
    EXPECT_EQ(FormDecoded("a%3Ab"), "a:b");
    EXPECT_EQ(FormDecoded("abc%"), "abc");
    EXPECT_EQ(FormDecoded("abc%4"), "abc4");
    EXPECT_EQ(FormDecoded("%zz1"), "zz1");
    EXPECT_EQ(FormDecoded("%0d%0a"), "\r\n");
    EXPECT_EQ(FormDecoded(""), "");
}

TEST(FormEncode, ReservedAndControlCharacters)
{
    EXPECT_EQ(FormEncode("a:b c"), "a%3ab+c");
    EXPECT_EQ(FormEncode("x@y.z"), "x%40y.z");
    EXPECT_EQ(FormEncode("\r\n\t"), "%0d%0a%09");
    EXPECT_EQ(FormEncode(";/?:@=&<>\"#%{}|\\^~[]'+(),"),
              "%3b%2f%3f%3a%40%3d%26%3c%3e%22%23%25%7b%7d%7c%5c%5e%7e%5b%5d%27%2b%28%29%2c");
    EXPECT_EQ(FormEncode("caf\xc3\xa9-_.!*"), "caf\xc3\xa9-_.!*");
}

TEST(FormEncode, RoundTripsEveryByte)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    std::string encoded = FormEncode(all);
    EXPECT_EQ(encoded.find(':'), std::string::npos);
    EXPECT_EQ(FormDecoded(encoded), all);
}

TEST(SplitFields, KeepEmptyFields)
{
    std::vector<std::string> f;
    int n = 0;
    ASSERT_EQ(SplitFields(":a::b:", ":", 10, true, f, n), ImResult::Ok);
    EXPECT_EQ(n, 5);
    EXPECT_EQ(f[0], "");
    EXPECT_EQ(f[1], "a");
    EXPECT_EQ(f[2], "");
    EXPECT_EQ(f[3], "b");
    EXPECT_EQ(f[4], "");
    EXPECT_EQ(f.size(), 10u);
    EXPECT_EQ(f[9], "");
}

TEST(SplitFields, LastFieldTakesTheRest)
{
    std::vector<std::string> f;
    int n = 0;
    ASSERT_EQ(SplitFields("1:2:3:4", ":", 2, true, f, n), ImResult::Ok);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(f[1], "2:3:4");
}

TEST(SplitFields, WithoutKeepEmptyRunsAreSkipped)
{
    std::vector<std::string> f;
    int n = 0;
    ASSERT_EQ(SplitFields(",,a,,b,", ",", 10, false, f, n), ImResult::Ok);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(f[0], "a");
    EXPECT_EQ(f[1], "b");
    EXPECT_EQ(SplitFields("", ",", 10, false, f, n), ImResult::Ok);
    EXPECT_EQ(n, 0);
}

TEST(SplitFields, ZeroMaximum)
{
    std::vector<std::string> f;
    int n = 7;
    EXPECT_EQ(SplitFields("a:b", ":", 0, true, f, n), ImResult::NothingPending);
    EXPECT_EQ(n, 0);
}

} // namespace
} // namespace zep
