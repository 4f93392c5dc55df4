// The mail notice of a logged-on frame against a real zep-devserver: activating it opens the
// webmail with the session's log-on token, which the server's webmail page reads over loopback
// HTTP; and the same page in a headless browser, where one is installed.
#include "app/main_frame.h"
#include "app/views.h"
#include "app/zepim_view.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/child_process.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "tests/support/webmail_page_reader.h"

#include <QStandardPaths>
#include <QTest>
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <regex>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace zep {
namespace {

using namespace std::chrono_literals;
using contacts::ContactDisplayKind;

// One GET on 127.0.0.1:port; the whole response, or "" when the server did not answer.
std::string HttpGet(int port, const std::string& target)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    timeval limit{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string response;
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        const std::string request = "GET " + target +
                                    " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                    "\r\nConnection: close\r\n\r\n";
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
            static_cast<ssize_t>(request.size())) {
            char buffer[4096];
            for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
                response.append(buffer, static_cast<std::size_t>(n));
        }
    }
    close(fd);
    return response;
}

std::string Title(const std::string& html)
{
    std::smatch m;
    return std::regex_search(html, m, std::regex("<title>([^<]*)</title>")) ? m[1].str() : "";
}

// The part of an http address after host and port.
std::string TargetOf(const std::string& url)
{
    const auto slash = url.find('/', url.find("://") + 3);
    return slash == std::string::npos ? "/" : url.substr(slash);
}

class MailE2E : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.Start({ZEP_DEVSERVER_BINARY, "--port", "0", "--tls-port", "0"}));
        const std::string line = m_server.WaitForOutput("listening on");
        std::smatch m;
        ASSERT_TRUE(std::regex_search(
            line, m, std::regex(R"(listening on \S+:(\d+) tls \d+ webmail (\d+))")))
            << line;
        m_port = std::stoi(m[1]);
        m_webmailPort = std::stoi(m[2]);

        Settings s;
        s.WriteText(setting::Server, "127.0.0.1");
        s.WriteInt(setting::Port, m_port);
        s.WriteText(setting::Email, "anna@example.com");
        s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("anna123")));
        s.WriteInt(setting::SavePassword, 1);
        s.WriteInt(setting::EmailMode, 1);
        s.WriteText(setting::EmailClient, QString::fromLatin1(kWebMailClient));
        // The page on the server's own (free) port, with a query part of its own.
        s.WriteText(
            setting::EmailClientCommand,
            QStringLiteral("http://127.0.0.1:%1/logon.mml?interfacetype=pro").arg(m_webmailPort));
        FrameOptions options;
        options.trayIcon = false;
        options.mail.raiseWebmail = [](std::string_view) { return WindowSearch::NotFound; };
        options.mail.openUrl = [this](const QUrl& url) {
            m_pages.push_back(url.toEncoded().toStdString());
            m_opened.push_back(test::PageTarget(url));
            return true;
        };
        m_frame = std::make_unique<CMainFrame>(m_connection, options);
        m_frame->show();
        m_frame->StartFirstView(true);
        ASSERT_TRUE(test::WaitUntil([&] { return m_frame->CurrentView() == ViewKind::Main; }));
        m_view = qobject_cast<CZepimView*>(m_frame->View());
        ASSERT_NE(m_view, nullptr);
        ASSERT_TRUE(test::WaitUntil([&] { return m_view->Filled(); }));
    }
    void TearDown() override { m_frame.reset(); }

    // Enter on the mail notice, as the user would press it.
    void ActivateMailNotice()
    {
        contacts::CContactListCtrl* list = m_view->List();
        ASSERT_EQ(list->GetRow(0)->Kind, ContactDisplayKind::MailNotice);
        list->setCurrentIndex(list->model()->index(0, 0));
        QTest::keyClick(list, Qt::Key_Return);
    }

    test::ScratchHome m_home;
    test::ChildProcess m_server;
    int m_port = 0;
    int m_webmailPort = 0;
    ClientConnection m_connection;
    std::unique_ptr<CMainFrame> m_frame;
    CZepimView* m_view = nullptr;
    std::vector<std::string> m_opened; // where each page opened leads
    std::vector<std::string> m_pages;  // what the browser was given
};

TEST_F(MailE2E, MailNoticeLogsOnToTheWebmailWithTheSessionPassword)
{
    // The saved password is gone and no longer to be kept: the session's own is used.
    Settings s;
    s.WriteInt(setting::SavePassword, 0);
    s.Remove(setting::Password);
    ActivateMailNotice();
    ASSERT_EQ(m_opened.size(), 1u);
    const std::string& url = m_opened.front();
    EXPECT_EQ(url.rfind("http://127.0.0.1:" + std::to_string(m_webmailPort) +
                            "/logon.mml?interfacetype=pro&applv=",
                        0),
              0u)
        << url;
    const std::string page = HttpGet(m_webmailPort, TargetOf(url));
    EXPECT_EQ(page.rfind("HTTP/1.1 200 ", 0), 0u) << page;
    EXPECT_EQ(Title(page), "ZEP WebMail Professional - anna@example.com") << page;
}

TEST_F(MailE2E, LoggedOffWithoutAKeptPasswordTheWebmailAsks)
{
    Settings().WriteInt(setting::SavePassword, 0);
    m_frame->OnLogOut();
    ASSERT_TRUE(test::WaitUntil([&] { return m_frame->CurrentView() == ViewKind::Logon; }));
    EXPECT_EQ(m_frame->LaunchMail(), MailLaunch::WebmailOpened);
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened.front().find("applv="), std::string::npos) << m_opened.front();
    const std::string page = HttpGet(m_webmailPort, TargetOf(m_opened.front()));
    EXPECT_EQ(page.rfind("HTTP/1.1 403 ", 0), 0u) << page;
    EXPECT_EQ(Title(page), "ZEP WebMail: log-on refused") << page;
}

TEST_F(MailE2E, LoggedOffWithTheKeptPasswordTheWebmailLogsOn)
{
    m_frame->OnLogOut();
    ASSERT_TRUE(test::WaitUntil([&] { return m_frame->CurrentView() == ViewKind::Logon; }));
    EXPECT_EQ(m_frame->LaunchMail(), MailLaunch::WebmailOpened);
    ASSERT_EQ(m_opened.size(), 1u);
    const std::string page = HttpGet(m_webmailPort, TargetOf(m_opened.front()));
    EXPECT_EQ(Title(page), "ZEP WebMail Professional - anna@example.com") << page;
}

// The browser is given the private page, which leads it on to the webmail.
TEST_F(MailE2E, HeadlessBrowserShowsTheWebmailTitle)
{
    const QString browser = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (browser.isEmpty())
        GTEST_SKIP() << "chromium is not installed";
    ActivateMailNotice();
    ASSERT_EQ(m_opened.size(), 1u);
    test::TempDir profile;
    test::ChildProcess chromium;
    ASSERT_TRUE(
        chromium.Start({browser.toStdString(), "--headless", "--no-sandbox", "--disable-gpu",
                        "--no-first-run", "--user-data-dir=" + profile.Path(),
                        "--virtual-time-budget=10000", "--dump-dom", m_pages.front()}));
    // The page is loaded and its document printed before the browser ends.
    ASSERT_EQ(chromium.Wait(90s), 0) << chromium.Output();
    EXPECT_EQ(Title(chromium.Output()), "ZEP WebMail Professional - anna@example.com")
        << chromium.Output();
}

} // namespace
} // namespace zep
