#include "session/password_scramble.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

std::string Repeat(std::string_view unit, std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += unit;
    return s;
}

class ScrambleRoundTrip : public ::testing::TestWithParam<std::string>
{
};

TEST_P(ScrambleRoundTrip, SavedPasswordComesBackExactlyAsTyped)
{
    const std::string& plain = GetParam();
    const std::string saved = PasswordScramble(plain);
    ASSERT_FALSE(saved.empty());
    EXPECT_EQ(saved.front(), '+');
    EXPECT_EQ((saved.size() - 1) % 4, 0u);
    EXPECT_EQ(saved.find('*'), std::string::npos) << "no padding in the written form";
    EXPECT_EQ(PasswordUnscramble(saved), plain);
}

INSTANTIATE_TEST_SUITE_P(
    Passwords, ScrambleRoundTrip,
    ::testing::Values(std::string("a"), std::string("abcdef"), Repeat("x", 60), Repeat("y", 61),
                      Repeat("0123456789", 7) + "abcdefghi", // 79 characters
                      std::string("-leading-dash"), std::string("-"), std::string("trailing**"),
                      std::string("***"), std::string("quote\"*"), std::string("+%&*"),
                      std::string("with space and :colon"),
                      // 79 characters of two UTF-8 bytes each
                      Repeat("\xc3\xa9", 79), std::string("\xe2\x82\xac uro")),
    [](const ::testing::TestParamInfo<std::string>& info) {
        return "length" + std::to_string(info.param.size()) + "_case" + std::to_string(info.index);
    });

TEST(PasswordScramble, EmptyPasswordHasNoSavedForm)
{
    EXPECT_EQ(PasswordScramble(""), "");
    EXPECT_EQ(PasswordUnscramble(""), "");
}

TEST(PasswordScramble, GroupCountFollowsTheLength)
{
    // At least two groups, then one group of four characters per three bytes.
    EXPECT_EQ(PasswordScramble("abc").size(), 1u + 8u);
    EXPECT_EQ(PasswordScramble("abcdef").size(), 1u + 8u);
    EXPECT_EQ(PasswordScramble("abcdefg").size(), 1u + 12u);
    EXPECT_EQ(PasswordScramble(Repeat("z", 79)).size(), 1u + 27u * 4u);
}

TEST(PasswordScramble, OlderPercentFormStillReads)
{
    // What older builds wrote: "%", padding with "*", cut to 60, leading "-" dropped.
    const std::string empty = PasswordScramble("", ScrambleForm::Percent);
    EXPECT_EQ(empty.size(), 9u);
    EXPECT_EQ(empty.front(), '%');
    EXPECT_EQ(PasswordUnscramble(empty), "");

    const std::string six = PasswordScramble("secret", ScrambleForm::Percent);
    EXPECT_EQ(six.size(), 9u);
    EXPECT_EQ(PasswordUnscramble(six), "secret");
    EXPECT_EQ(PasswordUnscramble(PasswordScramble("pass1", ScrambleForm::Percent)), "pass1");
    EXPECT_EQ(PasswordUnscramble(PasswordScramble("-dash", ScrambleForm::Percent)), "dash");
    EXPECT_EQ(PasswordUnscramble(PasswordScramble(Repeat("q", 70), ScrambleForm::Percent)),
              Repeat("q", 60));
    EXPECT_EQ(PasswordUnscramble(PasswordScramble("star*", ScrambleForm::Percent)), "star");
}

TEST(PasswordScramble, StarMarkerReadsLikePercent)
{
    std::string saved = PasswordScramble("hello", ScrambleForm::Percent);
    saved[0] = '*';
    EXPECT_EQ(PasswordUnscramble(saved), "hello");
}

TEST(PasswordScramble, PlainTextAndAmpersandForms)
{
    EXPECT_EQ(PasswordUnscramble("plaintext"), "plaintext");
    EXPECT_EQ(PasswordUnscramble("&abcdefghijklm"), ""); // exactly 14: the empty form
    EXPECT_EQ(PasswordUnscramble("&abc"), "&abc");       // otherwise plain text
}

TEST(PasswordScramble, CorruptFormsGiveNoPassword)
{
    const std::string good = PasswordScramble("abcdefgh");
    std::string bad = good;
    bad[3] = '!'; // outside the alphabet
    EXPECT_EQ(PasswordUnscramble(bad), "");
    EXPECT_EQ(PasswordUnscramble(good.substr(0, good.size() - 1)), ""); // partial group
    EXPECT_EQ(PasswordUnscramble("+"), "");
    EXPECT_EQ(PasswordUnscramble("%"), "");
    EXPECT_EQ(PasswordUnscramble(good.substr(0, 5)), ""); // shorter than two groups
    EXPECT_EQ(PasswordUnscramble(std::string("+abc\0defg", 9)), "");
}

TEST(PasswordScramble, OverlongScrambledTextIsReadOnlyUpToTheLimit)
{
    // Characters past what the longest password needs are never decoded.
    const std::string longest = Repeat("w", kMaxPasswordBytes);
    const std::string saved = PasswordScramble(longest + "extra");
    EXPECT_EQ(PasswordUnscramble(saved), longest);
    EXPECT_EQ(PasswordUnscramble(saved + "kQ7m"), longest);
}

} // namespace
} // namespace zep
