#include "session/system_proxy.h"
#include "ui/help.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

TEST(Help, ContextTableMapsResourcesToTopicsAndPages)
{
    EXPECT_EQ(HelpTopicForContext(128), 256);
    EXPECT_EQ(HelpTopicForContext(209), 2560);
    EXPECT_EQ(HelpTopicForContext(129), 1536);
    EXPECT_EQ(HelpTopicForContext(162), 2304);
    // Only the low 16 bits name the window.
    EXPECT_EQ(HelpTopicForContext(0x20000 | 209), 2560);
    EXPECT_EQ(HelpTopicForContext(4242), 1);
    EXPECT_EQ(HelpPageForTopic(256), "main.html");
    EXPECT_EQ(HelpPageForTopic(2560), "logon.html");
    EXPECT_EQ(HelpPageForTopic(1536), "conversation.html");
    EXPECT_EQ(HelpPageForTopic(1280), "conversation.html");
    EXPECT_EQ(HelpPageForTopic(513), "options.html");
    EXPECT_EQ(HelpPageForTopic(1), "index.html");
}

TEST(SystemProxy, EntriesOfTheProxyList)
{
    ProxyEntry e;
    ASSERT_TRUE(ParseProxyEntry("http://proxy.example:3128/", e));
    EXPECT_EQ(e, (ProxyEntry{"proxy.example", 3128}));
    ASSERT_TRUE(ParseProxyEntry("HTTPS=secure.example:8443", e));
    EXPECT_EQ(e, (ProxyEntry{"secure.example", 8443}));
    ASSERT_TRUE(ParseProxyEntry("plain.example", e));
    EXPECT_EQ(e, (ProxyEntry{"plain.example", 8080})) << "no port: 8080";
    ASSERT_TRUE(ParseProxyEntry("http://user:pw@auth.example:81", e));
    EXPECT_EQ(e, (ProxyEntry{"auth.example", 81}));
    EXPECT_FALSE(ParseProxyEntry("direct://", e));
    EXPECT_FALSE(ParseProxyEntry("socks5://s.example:1080", e));
    EXPECT_FALSE(ParseProxyEntry("ftp=f.example:21", e));
    EXPECT_FALSE(ParseProxyEntry("host:99999", e));
    EXPECT_FALSE(ParseProxyEntry("host:12ab", e));
    EXPECT_FALSE(ParseProxyEntry("", e));
}

} // namespace
} // namespace zep

namespace zep {
namespace {

TEST(SystemProxy, NoProxyListsFollowTheCommonConvention)
{
    const struct
    {
        const char* list;
        const char* host;
        std::uint16_t port;
        bool exempt;
    } rows[] = {
        {"*", "im.example.com", 8367, true},
        {"im.example.com", "im.example.com", 8367, true},
        {"IM.Example.COM", "im.example.com", 8367, true},
        {"example.com", "im.example.com", 8367, true},   // a bare domain covers subdomains
        {".example.com", "im.example.com", 8367, true},  // so does a leading dot
        {"*.example.com", "im.example.com", 8367, true}, // and a leading "*."
        {"example.com", "example.com", 8367, true},
        {"example.com", "badexample.com", 8367, false}, // a suffix is not a subdomain
        {"other.org, example.com", "im.example.com", 8367, true},
        {"other.org example.com", "im.example.com", 8367, true},
        {" other.org ,, ", "im.example.com", 8367, false},
        {"im.example.com:8367", "im.example.com", 8367, true},
        {"im.example.com:443", "im.example.com", 8367, false},
        {"10.0.0.5", "10.0.0.5", 8367, true},
        {"10.0.0.5", "10.0.0.50", 8367, false},
        {"10.0.0.5:8367", "10.0.0.5", 8367, true},
        {"::1", "::1", 8367, true},
        {"[::1]", "[::1]", 8367, true},
        {"[::1]:8367", "::1", 8367, true},
        {"[::1]:80", "::1", 8367, false},
        {"example.com.", "im.example.com.", 8367, true},
        {"", "im.example.com", 8367, false},
        {"example.com", "", 8367, false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(NoProxyMatches(row.list, row.host, row.port), row.exempt)
            << "'" << row.list << "' for " << row.host << ":" << row.port;
}

} // namespace
} // namespace zep
