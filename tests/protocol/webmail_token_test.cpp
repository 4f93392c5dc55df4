// The webmail log-on token: known answers that pin the format the webmail service reads, round
// trips at the group boundaries and at the limits, and the refusals of both directions.
#include "protocol/fields.h"
#include "protocol/webmail_token.h"

#include <gtest/gtest.h>

#include <string>

namespace zep {
namespace {

struct KnownAnswer
{
    const char* name;
    std::string text;
    const char* scrambled;
    const char* encoded; // form-encoded, as it goes into the address
};

class WebmailTokenKnown : public testing::TestWithParam<KnownAnswer>
{
};

TEST_P(WebmailTokenKnown, ScramblesEncodesAndReadsBack)
{
    const KnownAnswer& row = GetParam();
    std::string scrambled;
    ASSERT_EQ(WebmailTokenScramble(row.text, scrambled), ImResult::Ok);
    EXPECT_EQ(scrambled, row.scrambled);
    EXPECT_EQ(FormEncode(scrambled), row.encoded);
    std::string back;
    ASSERT_EQ(WebmailTokenUnscramble(FormDecoded(row.encoded), back), ImResult::Ok);
    EXPECT_EQ(back, row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailTokenKnown,
    testing::Values(KnownAnswer{"empty_text_is_two_groups_of_zeros", "", "hvBY3y8p", "hvBY3y8p"},
                    KnownAnswer{"one_byte", "a", "e1BY3y8p", "e1BY3y8p"},
                    KnownAnswer{"one_full_group", "abc", "ekCF3y8p", "ekCF3y8p"},
                    KnownAnswer{"third_group_uses_the_first_key_half_again", "abcdefg",
                                "ekCFhCdf3WBY", "ekCFhCdf3WBY"},
                    KnownAnswer{"demo_user", "anna@example.com:anna123",
                                "ekqyCknbGQp7vCubojvMlTiOrjqB1THc",
                                "ekqyCknbGQp7vCubojvMlTiOrjqB1THc"},
                    KnownAnswer{"utf8_bytes_and_a_slash_encoded",
                                "zo\xc3\xab@example.com:p\xc3\xa4ssword",
                                "GjK6//nbGQp7vCubojvMlTiLHX3ZvH2VSjeY",
                                "GjK6%2f%2fnbGQp7vCubojvMlTiLHX3ZvH2VSjeY"},
                    KnownAnswer{"plus_encoded", "dana@example.com:v0",
                                "3QpyCknbGQp7vCubojvMlTi+JvBY", "3QpyCknbGQp7vCubojvMlTi%2bJvBY"}),
    [](const testing::TestParamInfo<KnownAnswer>& info) { return info.param.name; });

std::string AllBytes()
{
    std::string text;
    for (int c = 1; c < 256; ++c)
        text += static_cast<char>(c);
    return text;
}

struct RoundTrip
{
    const char* name;
    std::string text;
};

class WebmailTokenRoundTrip : public testing::TestWithParam<RoundTrip>
{
};

TEST_P(WebmailTokenRoundTrip, TextComesBackWhole)
{
    const RoundTrip& row = GetParam();
    std::string scrambled;
    ASSERT_EQ(WebmailTokenScramble(row.text, scrambled), ImResult::Ok);
    EXPECT_EQ(scrambled.size(), WebmailScrambledLength(row.text.size()));
    std::string back;
    ASSERT_EQ(WebmailTokenUnscramble(scrambled, back), ImResult::Ok);
    EXPECT_EQ(back, row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailTokenRoundTrip,
    testing::Values(RoundTrip{"two_bytes", "ab"}, RoundTrip{"six_bytes", "abcdef"},
                    RoundTrip{"seven_bytes", "abcdefg"}, RoundTrip{"eight_bytes", "abcdefgh"},
                    RoundTrip{"every_byte_but_nul", AllBytes()},
                    RoundTrip{"longest_text", std::string(kMaxWebmailTokenTextBytes, 'x')}),
    [](const testing::TestParamInfo<RoundTrip>& info) { return info.param.name; });

struct Refusal
{
    const char* name;
    bool scramble; // which direction
    std::string input;
    ImResult expected;
};

class WebmailTokenRefusal : public testing::TestWithParam<Refusal>
{
};

TEST_P(WebmailTokenRefusal, GivesTheErrorAndNothingElse)
{
    const Refusal& row = GetParam();
    std::string out = "left over";
    const ImResult rc = row.scramble ? WebmailTokenScramble(row.input, out)
                                     : WebmailTokenUnscramble(row.input, out);
    EXPECT_EQ(rc, row.expected);
    EXPECT_TRUE(out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailTokenRefusal,
    testing::Values(
        Refusal{"nul_byte_would_end_the_text", true, std::string("a\0b", 3), ImResult::BadArgument},
        Refusal{"text_past_the_limit", true, std::string(kMaxWebmailTokenTextBytes + 1, 'x'),
                ImResult::TooLarge},
        Refusal{"character_outside_the_alphabet", false, "ekCF3y8=", ImResult::BadArgument},
        Refusal{"space_from_a_bad_decode", false, "ekCF 3y8p", ImResult::BadArgument},
        Refusal{"partial_group", false, "ekCF3y8pe", ImResult::BadArgument},
        Refusal{"one_group_only", false, "ekCF", ImResult::BadArgument},
        Refusal{"empty", false, "", ImResult::BadArgument},
        Refusal{"more_groups_than_the_longest_text", false,
                std::string(WebmailScrambledLength(kMaxWebmailTokenTextBytes) + 4, 'H'),
                ImResult::TooLarge}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

struct Credentials
{
    const char* name;
    std::string address;
    std::string password;
    ImResult expected;
};

class WebmailTokenCredentials : public testing::TestWithParam<Credentials>
{
};

TEST_P(WebmailTokenCredentials, BuildAndRead)
{
    const Credentials& row = GetParam();
    std::string token;
    ASSERT_EQ(BuildWebmailToken(row.address, row.password, token), row.expected);
    if (row.expected != ImResult::Ok) {
        EXPECT_TRUE(token.empty());
        return;
    }
    // The form-encoded token never outgrows the room sized for the longest credentials.
    EXPECT_LE(FormEncode(token).size(), kMaxWebmailTokenEncodedChars);
    std::string address, password;
    ASSERT_EQ(ReadWebmailToken(FormDecoded(FormEncode(token)), address, password), ImResult::Ok);
    EXPECT_EQ(address, row.address);
    EXPECT_EQ(password, row.password);
}

// 256 four-byte characters, the longest address the messenger stores, and the longest
// password the logon takes.
const std::string kLongestAddress = [] {
    std::string text;
    for (int i = 0; i < 256; ++i)
        text += "\xf0\x9f\x93\xa7";
    return text;
}();
const std::string kLongestPassword = [] {
    std::string text;
    for (int i = 0; i < 79; ++i)
        text += "\xf0\x9f\x94\x91";
    return text;
}();

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailTokenCredentials,
    testing::Values(
        Credentials{"demo_user", "anna@example.com", "anna123", ImResult::Ok},
        Credentials{"colons_in_the_password_stay", "ben@example.com", "a:b::c", ImResult::Ok},
        Credentials{"empty_password", "ben@example.com", "", ImResult::Ok},
        Credentials{"longest_address_and_password", kLongestAddress, kLongestPassword,
                    ImResult::Ok},
        Credentials{"address_past_the_limit", kLongestAddress + "x", "pw", ImResult::TooLarge},
        Credentials{"password_past_the_limit", "ben@example.com", kLongestPassword + "x",
                    ImResult::TooLarge},
        Credentials{"empty_address", "", "pw", ImResult::BadArgument},
        Credentials{"colon_in_the_address", "a:b@example.com", "pw", ImResult::BadArgument},
        Credentials{"nul_in_the_password", "ben@example.com", std::string("p\0w", 3),
                    ImResult::BadArgument}),
    [](const testing::TestParamInfo<Credentials>& info) { return info.param.name; });

TEST(WebmailTokenRead, RefusesTextWithoutAnAddress)
{
    for (const char* text : {"no colon at all", ":password only"}) {
        std::string token, address, password;
        ASSERT_EQ(WebmailTokenScramble(text, token), ImResult::Ok);
        EXPECT_EQ(ReadWebmailToken(token, address, password), ImResult::BadArgument) << text;
        EXPECT_TRUE(address.empty() && password.empty()) << text;
    }
}

} // namespace
} // namespace zep
