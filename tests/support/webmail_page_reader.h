// What the browser stand-in of the mail tests got: the private page that leads on to the
// webmail. Reads it back and gives the address it leads to.
#pragma once

#include <QUrl>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zep::test {

// The address both ways of the page lead to (meta refresh and script); empty when `opened` is
// no private page. A page others may read, or whose two ways differ, fails the test.
inline std::string PageTarget(const QUrl& opened)
{
    const std::string raw = opened.toEncoded().toStdString();
    EXPECT_EQ(raw.find("applv="), std::string::npos) << "the token is on the command line";
    if (!opened.isLocalFile()) {
        ADD_FAILURE() << "not a local page: " << raw;
        return {};
    }
    const std::string path = opened.toLocalFile().toStdString();
    struct stat st
    {
    };
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    EXPECT_TRUE(S_ISREG(st.st_mode) && (st.st_mode & 0777) == 0600 && st.st_uid == ::geteuid())
        << path << " mode " << std::oct << (st.st_mode & 0777);
    std::ifstream in(path);
    const std::string page(std::istreambuf_iterator<char>(in), {});
    std::smatch meta;
    std::smatch script;
    if (!std::regex_search(page, meta, std::regex("content=\"0;url=([^\"]*)\"")) ||
        !std::regex_search(page, script, std::regex("location\\.replace\\(\"([^\"]*)\"\\)"))) {
        ADD_FAILURE() << "no redirect in " << page;
        return {};
    }
    std::string fromMeta = meta[1];
    for (const auto& [entity, c] : {std::pair<std::string, std::string>{"&lt;", "<"},
                                    {"&gt;", ">"},
                                    {"&quot;", "\""},
                                    {"&#39;", "'"},
                                    {"&amp;", "&"}})
        for (std::size_t at; (at = fromMeta.find(entity)) != std::string::npos;)
            fromMeta.replace(at, entity.size(), c);
    std::string fromScript;
    const std::string escaped = script[1];
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\\' && i + 3 < escaped.size() && escaped[i + 1] == 'x') {
            fromScript += static_cast<char>(std::stoi(escaped.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            fromScript += escaped[i];
        }
    }
    EXPECT_EQ(fromMeta, fromScript);
    return fromScript;
}

} // namespace zep::test
