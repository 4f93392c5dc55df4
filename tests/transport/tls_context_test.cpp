// Client contexts: the list and its look-up, the own key and certificate with the pass phrase
// from the system-wide settings.

#include "tests/support/child_process.h"
#include "tests/support/tls_test_server.h"
#include "transport/system_settings.h"
#include "transport/tls.h"

#include <gtest/gtest.h>

#include <openssl/ssl.h>

#include <cstdlib>
#include <filesystem>

namespace zep {
namespace {

class TlsContextTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(TlsInitialise(), ImResult::Ok);
        std::filesystem::create_directories(config.File("Corvane"));
        setenv("XDG_CONFIG_DIRS", config.Path().c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_DIRS"); }

    void WriteSettings(const std::string& text)
    {
        ASSERT_TRUE(config.Write("Corvane/ZEP Instant Messenger.conf", text));
    }
    // key.pem protected by `phrase`, and its cert.pem, in a directory of their own.
    void WriteKeyPair(const std::string& phrase)
    {
        test::TestCertificate pair = test::MakeSelfSignedCertificate("client.test", phrase);
        ASSERT_TRUE(keys.Write("key.pem", pair.keyPem));
        ASSERT_TRUE(keys.Write("cert.pem", pair.certPem));
    }
    bool KeyLoaded(const std::string& contextName)
    {
        SSL_CTX* ctx = TlsFindContext(contextName);
        return ctx && SSL_CTX_get0_certificate(ctx) && SSL_CTX_check_private_key(ctx) == 1;
    }

    test::TempDir config;
    test::TempDir keys;
};

TEST_F(TlsContextTest, LookupIgnoresCaseAndFallsBackToTheClientContext)
{
    SSL_CTX* client = TlsFindContext("");
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(TlsFindContext("unknown.example"), client);
    ASSERT_EQ(TlsInitialiseContext(0, {"Mail.Example", "", keys.Path()}), ImResult::Ok);
    SSL_CTX* named = TlsFindContext("mail.EXAMPLE");
    EXPECT_NE(named, nullptr);
    EXPECT_NE(named, client);
    EXPECT_EQ(TlsFindContext("unknown.example"), client);
}

TEST_F(TlsContextTest, BadCipherListFailsTheContext)
{
    EXPECT_EQ(TlsInitialiseContext(0, {"bad.example", "NO-SUCH-CIPHER", keys.Path()}),
              ImResult::TlsSessionFailed);
    EXPECT_EQ(TlsFindContext("bad.example"), TlsFindContext(""));
}

TEST_F(TlsContextTest, PassPhraseFromThePrivateGroupUnlocksTheKey)
{
    WriteKeyPair("hunter2");
    WriteSettings("[Private]\nConnectID=aHVudGVyMg==\n"); // "hunter2"
    ASSERT_EQ(TlsInitialiseContext(0, {"with.key", "", keys.Path()}), ImResult::Ok);
    EXPECT_TRUE(KeyLoaded("with.key"));
}

TEST_F(TlsContextTest, HostGroupWinsOverThePrivateGroup)
{
    WriteKeyPair("open sesame");
    // Nested groups as the per-user settings library writes them: section, then "host\key".
    WriteSettings("[Private]\nConnectID=d3Jvbmc=\n\n[SSL]\nhost.key\\ConnectID=b3BlbiBzZXNhbWU=\n");
    EXPECT_EQ(TlsPassPhrase("HOST.KEY"), "open sesame");
    EXPECT_EQ(TlsPassPhrase(""), "wrong");
    ASSERT_EQ(TlsInitialiseContext(0, {"host.key", "", keys.Path()}), ImResult::Ok);
    EXPECT_TRUE(KeyLoaded("host.key"));
    // Another context falls back to "Private", whose phrase does not open this key.
    ASSERT_EQ(TlsInitialiseContext(0, {"other.key", "", keys.Path()}), ImResult::Ok);
    EXPECT_FALSE(KeyLoaded("other.key"));
}

TEST_F(TlsContextTest, MissingPassPhraseLeavesTheKeyOutButTheContextUsable)
{
    WriteKeyPair("secret");
    ASSERT_EQ(TlsInitialiseContext(0, {"no.phrase", "", keys.Path()}), ImResult::Ok);
    EXPECT_NE(TlsFindContext("no.phrase"), TlsFindContext(""));
    EXPECT_FALSE(KeyLoaded("no.phrase"));
    EXPECT_EQ(TlsPassPhrase("no.phrase"), "");
}

TEST_F(TlsContextTest, UnprotectedKeyNeedsNoPhrase)
{
    WriteKeyPair("");
    ASSERT_EQ(TlsInitialiseContext(0, {"plain.key", "", keys.Path()}), ImResult::Ok);
    EXPECT_TRUE(KeyLoaded("plain.key"));
}

TEST_F(TlsContextTest, StoredValueThatIsNotBase64MeansNoPhrase)
{
    WriteSettings("[Private]\nConnectID=not base64!\n[SSL/slash.form]\nConnectID=\"cGFzcw==\"\n");
    EXPECT_EQ(TlsPassPhrase(""), "");
    EXPECT_EQ(TlsPassPhrase("slash.form"), "pass");
    std::string value;
    EXPECT_FALSE(ReadSystemSetting("Private", "Missing", value));
}

} // namespace
} // namespace zep
