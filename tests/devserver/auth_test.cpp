// Verification of the Authorization header: the realm the client names, replay, Basic.
#include "devserver/auth.h"
#include "wire_client.h"

#include <gtest/gtest.h>

namespace zep::devserver {
namespace {

const std::string kPassword = "s3cret";

PasswordLookup Lookup()
{
    return [](std::string_view user) -> const std::string* {
        return user == "anna@example.com" ? &kPassword : nullptr;
    };
}

std::string DigestHeader(const Challenge& c, const std::string& realm, const std::string& nc,
                         const std::string& password = kPassword,
                         const std::string& user = "anna@example.com")
{
    const std::string ha1 = test::TestMd5(user + ":" + realm + ":" + password);
    const std::string ha2 = test::TestMd5("IM:/");
    const std::string response =
        test::TestMd5(ha1 + ":" + c.nonce + ":" + nc + ":0102030400001:auth:" + ha2);
    return "Digest username=\"" + user + "\",realm=\"" + realm + "\",nonce=\"" + c.nonce +
           "\",uri=\"/\",qop=\"auth\",nc=\"" + nc + "\",cnonce=\"0102030400001\",response=\"" +
           response + "\",opaque=\"" + c.opaque + "\"";
}

TEST(DigestAuth, AcceptsTheRealmTheClientNamesAndDecimalCounts)
{
    Challenge c = NewChallenge();
    // The client keeps the user's address as realm when it misses the server's realm.
    auto user = VerifyAuthorization(AuthScheme::Digest, DigestHeader(c, "anna@example.com", "1"), c,
                                    Lookup());
    ASSERT_TRUE(user.has_value());
    EXPECT_EQ(*user, "anna@example.com");
    EXPECT_TRUE(
        VerifyAuthorization(AuthScheme::Digest, DigestHeader(c, "other realm", "2"), c, Lookup()));
    EXPECT_TRUE(VerifyAuthorization(AuthScheme::Digest, DigestHeader(c, "x", "10"), c, Lookup()));
}

TEST(DigestAuth, RefusesReplayWrongPasswordForeignNonceAndUnknownUser)
{
    Challenge c = NewChallenge();
    const std::string first = DigestHeader(c, "r", "1");
    ASSERT_TRUE(VerifyAuthorization(AuthScheme::Digest, first, c, Lookup()));
    EXPECT_FALSE(VerifyAuthorization(AuthScheme::Digest, first, c, Lookup())) << "replayed";
    EXPECT_FALSE(
        VerifyAuthorization(AuthScheme::Digest, DigestHeader(c, "r", "2", "wrong"), c, Lookup()));
    Challenge other = NewChallenge();
    EXPECT_FALSE(
        VerifyAuthorization(AuthScheme::Digest, DigestHeader(other, "r", "5"), c, Lookup()));
    EXPECT_FALSE(VerifyAuthorization(AuthScheme::Digest,
                                     DigestHeader(c, "r", "6", kPassword, "ghost@example.com"), c,
                                     Lookup()));
    EXPECT_FALSE(VerifyAuthorization(AuthScheme::Digest, "Digest", c, Lookup()));
    EXPECT_FALSE(VerifyAuthorization(AuthScheme::Digest, "Digest ,,,=,\"", c, Lookup()));
    // After refusals the next count is still accepted.
    EXPECT_TRUE(VerifyAuthorization(AuthScheme::Digest, DigestHeader(c, "r", "7"), c, Lookup()));
}

TEST(DigestAuth, ChallengePutsTheRealmFirst)
{
    Challenge c = NewChallenge();
    const std::string line = ChallengeLine(AuthScheme::Digest, "anna@example.com", c);
    EXPECT_EQ(line.rfind("Digest realm=\"anna@example.com\",nonce=\"" + c.nonce + "\"", 0), 0u);
    EXPECT_NE(line.find("qop=\"auth\""), std::string::npos);
    EXPECT_NE(line.find("opaque=\"" + c.opaque + "\""), std::string::npos);
    EXPECT_NE(NewChallenge().nonce, c.nonce);
}

TEST(BasicAuth, ChecksUserAndPassword)
{
    Challenge c;
    // "anna@example.com:s3cret" and "anna@example.com:nope"
    EXPECT_TRUE(VerifyAuthorization(AuthScheme::Basic, "Basic YW5uYUBleGFtcGxlLmNvbTpzM2NyZXQ=", c,
                                    Lookup()));
    EXPECT_FALSE(
        VerifyAuthorization(AuthScheme::Basic, "Basic YW5uYUBleGFtcGxlLmNvbTpub3Bl", c, Lookup()));
    EXPECT_FALSE(VerifyAuthorization(AuthScheme::Basic, "Basic !!!!", c, Lookup()));
    // A Digest header is not accepted by a Basic server.
    EXPECT_FALSE(VerifyAuthorization(AuthScheme::Basic, DigestHeader(NewChallenge(), "r", "1"), c,
                                     Lookup()));
}

} // namespace
} // namespace zep::devserver
