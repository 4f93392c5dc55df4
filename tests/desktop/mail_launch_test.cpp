// The mail launch against a desktop application database of the test's own: two mailto
// handlers whose programs write a marker file with the arguments they got (the default one
// through mimeapps.list) and an image viewer that is no mail client. Proves which client
// g_app_info_launch started, that nothing outside the list is started, and what the webmail
// launch opens for each setting.
#include "desktop/mail_launch.h"

#include "protocol/webmail_token.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "tests/support/webmail_page_reader.h"
#include "transport/log_writer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

namespace zep {
namespace {

void Write(const QString& path, const QByteArray& text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    if (executable)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                            QFileDevice::ExeOwner);
}

// What the client's program wrote: its argument count and arguments, one a line; nullopt
// when it has not run within the time-out.
std::optional<QByteArray>
WaitForMarker(const QString& path, std::chrono::milliseconds timeout = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        QFile file(path);
        // The program writes to a temporary name and renames it, so a marker is always whole.
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::nullopt;
}

class MailLaunchTest : public testing::Test
{
protected:
    // One folder for the whole process: GIO reads the XDG folders once, at its first use.
    static void SetUpTestSuite()
    {
        if (s_home != nullptr)
            return;
        static test::ScratchHome home;
        s_home = &home;
        const QString root = s_home->Path();
        s_markers = root + "/markers";
        QDir().mkpath(s_markers);
        const QString data = root + "/data";
        for (const char* app : {"alpha", "beta", "viewer"}) {
            const QString script = root + "/bin/" + app;
            Write(script,
                  "#!/bin/sh\n{ echo \"$#\"; for a in \"$@\"; do echo \"$a\"; done; } > \"" +
                      s_markers.toUtf8() + "/" + app + ".tmp\" && mv \"" + s_markers.toUtf8() +
                      "/" + app + ".tmp\" \"" + s_markers.toUtf8() + "/" + app + "\"\n",
                  true);
            const QByteArray mime =
                QByteArray(app) == "viewer" ? "image/png" : "x-scheme-handler/mailto";
            Write(data + "/applications/" + app + "-mail.desktop",
                  "[Desktop Entry]\nType=Application\nName=" + QByteArray(app) +
                      "\nExec=" + script.toUtf8() + " %u\nMimeType=" + mime + ";\n");
        }
        Write(root + "/config/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/mailto=beta-mail.desktop\n");
        qputenv("XDG_DATA_HOME", data.toUtf8());
        qputenv("XDG_DATA_DIRS", (root + "/none").toUtf8());
        qputenv("XDG_CONFIG_DIRS", (root + "/none").toUtf8());
        qputenv("XDG_CURRENT_DESKTOP", "");
    }
    void SetUp() override
    {
        QDir markers(s_markers);
        for (const QString& name : markers.entryList(QDir::Files))
            markers.remove(name);
        Settings settings;
        for (const char* name : {setting::EmailMode, setting::EmailClient, setting::Server,
                                 setting::EmailClientCommand, setting::EmailClientWindowName,
                                 setting::Email, setting::Password, setting::SavePassword})
            settings.Remove(name);
    }
    static QString Marker(const char* app) { return s_markers + "/" + app; }

    // The desktop with the real applications and a browser that only records.
    MailDesktop Desktop()
    {
        MailDesktop desktop;
        desktop.raiseWebmail = [](std::string_view) { return WindowSearch::NotFound; };
        desktop.openUrl = [this](const QUrl& url) {
            m_pages.push_back(url.toLocalFile());
            m_opened.push_back(test::PageTarget(url));
            return true;
        };
        return desktop;
    }

    static test::ScratchHome* s_home;
    static QString s_markers;
    std::vector<std::string> m_opened; // where each page opened leads
    std::vector<QString> m_pages;
};

test::ScratchHome* MailLaunchTest::s_home = nullptr;
QString MailLaunchTest::s_markers;

TEST_F(MailLaunchTest, StartsAListedClientThroughGioWithoutArguments)
{
    const MailClientList list = EnumerateMailClients();
    ASSERT_EQ(list.defaultId, "beta-mail.desktop");
    std::string error;
    ASSERT_EQ(LaunchMailClient(list, "alpha-mail.desktop", error), ImResult::Ok) << error;
    const std::optional<QByteArray> marker = WaitForMarker(Marker("alpha"));
    ASSERT_TRUE(marker.has_value()) << "the client's program did not run";
    // "%u" with no address is dropped: the client opens on the mailbox, not on a new message.
    EXPECT_EQ(*marker, "0\n");
}

struct RefusedId
{
    const char* name;
    std::string id;
    ImResult expected;
};

class MailClientRefusal : public MailLaunchTest, public testing::WithParamInterface<RefusedId>
{
};

TEST_P(MailClientRefusal, StartsNothing)
{
    const RefusedId& row = GetParam();
    MailClientList list = EnumerateMailClients();
    // An entry that is listed but has no desktop file behind it.
    list.clients.insert(list.clients.begin(), {"ghost-mail.desktop", "Ghost"});
    std::string error;
    EXPECT_EQ(LaunchMailClient(list, row.id, error), row.expected);
    // The viewer exists and would write its marker if it were started.
    EXPECT_FALSE(WaitForMarker(Marker("viewer"), std::chrono::milliseconds(300)).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MailClientRefusal,
    testing::Values(
        RefusedId{"installed_but_no_mail_client", "viewer-mail.desktop", ImResult::NotFound},
        RefusedId{"unknown_id", "nobody.desktop", ImResult::NotFound},
        RefusedId{"path_instead_of_id", "/usr/bin/viewer", ImResult::NotFound},
        RefusedId{"empty_id", "", ImResult::NotFound},
        RefusedId{"listed_without_a_desktop_file", "ghost-mail.desktop", ImResult::NotFound},
        RefusedId{"webmail_is_no_program", kWebMailClient, ImResult::BadArgument}),
    [](const testing::TestParamInfo<RefusedId>& info) { return info.param.name; });

struct ChoiceRow
{
    const char* name;
    int mode;           // "emailmode", -1: not stored
    const char* chosen; // "emailclient", null: not stored
    MailLaunch outcome;
    const char* started; // the marker expected, or null
};

class MailLaunchChoice : public MailLaunchTest, public testing::WithParamInterface<ChoiceRow>
{
};

TEST_P(MailLaunchChoice, StartsTheChosenClient)
{
    const ChoiceRow& row = GetParam();
    Settings settings;
    settings.WriteText(setting::Server, QStringLiteral("mail.example.com"));
    if (row.mode >= 0)
        settings.WriteInt(setting::EmailMode, row.mode);
    if (row.chosen != nullptr)
        settings.WriteText(setting::EmailClient, QString::fromUtf8(row.chosen));
    EXPECT_EQ(LaunchMail(WebmailCredentialInput{}, Desktop()), row.outcome);
    if (row.started != nullptr) {
        EXPECT_TRUE(WaitForMarker(Marker(row.started)).has_value()) << row.started;
    }
    for (const char* app : {"alpha", "beta", "viewer"}) {
        if (row.started == nullptr || std::string(app) != row.started) {
            EXPECT_FALSE(QFile::exists(Marker(app))) << app;
        }
    }
    EXPECT_EQ(m_opened.size(), row.outcome == MailLaunch::WebmailOpened ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MailLaunchChoice,
    testing::Values(
        ChoiceRow{"nothing_stored_starts_the_default", -1, nullptr, MailLaunch::ClientStarted,
                  "beta"},
        ChoiceRow{"registered_client_ignores_a_webmail_choice", 0, kWebMailClient,
                  MailLaunch::ClientStarted, "beta"},
        ChoiceRow{"registered_client_ignores_another_choice", 0, "alpha-mail.desktop",
                  MailLaunch::ClientStarted, "beta"},
        ChoiceRow{"specified_client", 1, "alpha-mail.desktop", MailLaunch::ClientStarted, "alpha"},
        ChoiceRow{"specified_but_empty_takes_the_default", 1, "", MailLaunch::ClientStarted,
                  "beta"},
        ChoiceRow{"specified_webmail", 1, kWebMailClient, MailLaunch::WebmailOpened, nullptr},
        ChoiceRow{"specified_program_that_is_no_mail_client", 1, "viewer-mail.desktop",
                  MailLaunch::Nothing, nullptr},
        ChoiceRow{"specified_unknown_client", 1, "gone.desktop", MailLaunch::Nothing, nullptr}),
    [](const testing::TestParamInfo<ChoiceRow>& info) { return info.param.name; });

struct WebmailRow
{
    const char* name;
    const char* server;
    const char* command;
    const char* windowName;
    WindowSearch search; // what the desktop's window search finds
    MailLaunch outcome;
    const char* prefix; // the start of the address opened, null when none
};

class WebmailLaunch : public MailLaunchTest, public testing::WithParamInterface<WebmailRow>
{
};

TEST_P(WebmailLaunch, RaisesOrOpens)
{
    const WebmailRow& row = GetParam();
    Settings settings;
    settings.WriteText(setting::Server, QString::fromUtf8(row.server));
    settings.WriteText(setting::EmailClientCommand, QString::fromUtf8(row.command));
    settings.WriteText(setting::EmailClientWindowName, QString::fromUtf8(row.windowName));
    MailDesktop desktop = Desktop();
    std::string searchedFor = "(not searched)";
    desktop.raiseWebmail = [&](std::string_view name) {
        searchedFor = std::string(name);
        return row.search;
    };
    WebmailCredentialInput credentials;
    credentials.loggedOn = true;
    credentials.liveAddress = "anna@example.com";
    credentials.livePassword = "anna123";

    EXPECT_EQ(LaunchWebmail(credentials, desktop), row.outcome);
    EXPECT_EQ(searchedFor, row.windowName);
    if (row.prefix == nullptr) {
        EXPECT_TRUE(m_opened.empty());
        return;
    }
    ASSERT_EQ(m_opened.size(), 1u);
    const std::string& url = m_opened.front();
    EXPECT_EQ(url.rfind(row.prefix, 0), 0u) << url;
    // The token in the address reads back as the session's credentials.
    const auto at = url.find("applv=");
    ASSERT_NE(at, std::string::npos) << url;
    const std::string encoded = url.substr(at + 6, url.find('&', at) - at - 6);
    std::string address, password;
    ASSERT_EQ(ReadWebmailToken(
                  QUrl::fromPercentEncoding(QByteArray::fromStdString(encoded)).toStdString(),
                  address, password),
              ImResult::Ok);
    EXPECT_EQ(address, "anna@example.com");
    EXPECT_EQ(password, "anna123");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailLaunch,
    testing::Values(WebmailRow{"open_window_is_raised_instead", "mail.example.com", "", "",
                               WindowSearch::Raised, MailLaunch::WebmailRaised, nullptr},
                    WebmailRow{"window_name_is_what_is_searched_for", "mail.example.com", "",
                               "My Mail", WindowSearch::Raised, MailLaunch::WebmailRaised, nullptr},
                    WebmailRow{"server_page", "mail.example.com", "", "", WindowSearch::NotFound,
                               MailLaunch::WebmailOpened,
                               "http://mail.example.com:8000/logon.mml?applv="},
                    WebmailRow{"no_window_list_opens", "::1", "", "", WindowSearch::Unavailable,
                               MailLaunch::WebmailOpened, "http://[::1]:8000/logon.mml?applv="},
                    WebmailRow{"command_with_query", "", "https://web.example.com/l?a=1", "",
                               WindowSearch::NotFound, MailLaunch::WebmailOpened,
                               "https://web.example.com/l?a=1&applv="},
                    WebmailRow{"empty_server_opens_nothing", "", "", "", WindowSearch::NotFound,
                               MailLaunch::Nothing, nullptr},
                    WebmailRow{"command_not_a_web_address_opens_nothing", "mail.example.com",
                               "file:///etc/passwd", "", WindowSearch::NotFound,
                               MailLaunch::Nothing, nullptr}),
    [](const testing::TestParamInfo<WebmailRow>& info) { return info.param.name; });

TEST_F(MailLaunchTest, ThePrivatePageGoesAfterItsTime)
{
    Settings().WriteText(setting::Server, QStringLiteral("mail.example.com"));
    WebmailCredentialInput credentials;
    MailDesktop desktop = Desktop();
    desktop.pageLifetime = std::chrono::milliseconds(50);
    ASSERT_EQ(LaunchWebmail(credentials, desktop), MailLaunch::WebmailOpened);
    ASSERT_EQ(m_pages.size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(m_pages.front()));
    EXPECT_TRUE(test::WaitUntil([&] { return !QFileInfo::exists(m_pages.front()); }));
}

TEST_F(MailLaunchTest, SavedCredentialsOnlyWhenKept)
{
    Settings settings;
    settings.WriteText(setting::Email, QStringLiteral("anna@example.com"));
    settings.WriteText(setting::Password, QString::fromStdString(PasswordScramble("anna123")));
    for (const bool keep : {false, true}) {
        settings.WriteInt(setting::SavePassword, keep ? 1 : 0);
        const WebmailCredentialInput input = SavedWebmailCredentials(settings);
        EXPECT_FALSE(input.loggedOn);
        EXPECT_EQ(input.savedAddress, "anna@example.com");
        EXPECT_EQ(input.savedPassword, keep ? "anna123" : "") << keep;
        EXPECT_EQ(input.savePassword, keep);
    }
}

TEST_F(MailLaunchTest, AddressIsNeverLogged)
{
    const QString logPath = s_home->Path() + "/state/mail.log";
    ZepimLog().SetPath(logPath.toStdString());
    const unsigned mask = LogMask();
    SetLogMask(kLogAll);
    Settings settings;
    settings.WriteText(setting::Server, QStringLiteral("mail.example.com"));
    WebmailCredentialInput credentials;
    credentials.loggedOn = true;
    credentials.liveAddress = "anna@example.com";
    credentials.livePassword = "anna123";
    EXPECT_EQ(LaunchWebmail(credentials, Desktop()), MailLaunch::WebmailOpened);
    // A failing launch writes its reason, still without the address.
    settings.WriteText(setting::EmailClientCommand, QStringLiteral("ftp://x/"));
    EXPECT_EQ(LaunchWebmail(credentials, Desktop()), MailLaunch::Nothing);
    SetLogMask(mask);
    ZepimLog().SetPath({});

    QFile log(logPath);
    ASSERT_TRUE(log.open(QIODevice::ReadOnly)) << "the failure was not logged";
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("Webmail not opened")) << text.constData();
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_FALSE(text.contains("applv")) << text.constData();
    EXPECT_FALSE(text.contains("logon.mml")) << text.constData();
    const std::string& url = m_opened.front();
    const std::string token = url.substr(url.find("applv=") + 6, 16);
    EXPECT_FALSE(text.contains(QByteArray::fromStdString(token))) << text.constData();
}

} // namespace
} // namespace zep
