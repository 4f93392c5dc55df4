// The logon lifecycle without a window: what it asks the window to show, the results it takes
// and those it ignores, the reconnect and the certificate questions.
#include "session/logon_lifecycle.h"
#include "session/settings.h"
#include "tests/support/child_process.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "transport/tls_pins.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace zep {
namespace {

using namespace std::chrono_literals;

// Stands in for the frame: records what it is asked to show and ask. It has no conversations
// open, so the user's log-off goes on at once.
struct Window
{
    explicit Window(LogonLifecycle& life)
    {
        QObject::connect(&life, &LogonLifecycle::viewRequested, &context,
                         [this](ViewKind, ViewEnd why) { ends.push_back(why); });
        QObject::connect(&life, &LogonLifecycle::passwordRequested, &context,
                         [this] { ++passwordRequests; });
        QObject::connect(&life, &LogonLifecycle::noticeRequested, &context,
                         [this](const LogonNotice& notice) { notices.push_back(notice); });
        QObject::connect(&life, &LogonLifecycle::trustQuestion, &context,
                         [this](const TrustQuestion& question) { questions.push_back(question); });
        QObject::connect(&life, &LogonLifecycle::leaveRequested, &context,
                         [&life] { life.OpenSessionsLeft(); });
    }
    QObject context;
    std::vector<ViewEnd> ends;
    int passwordRequests = 0;
    std::vector<LogonNotice> notices;
    std::vector<TrustQuestion> questions;
};

class LogonLifecycleTest : public ::testing::Test
{
protected:
    LogonLifecycleTest()
    {
        Settings s;
        s.WriteText(setting::Server, "127.0.0.1");
        s.WriteInt(setting::Port, test::FreeLoopbackPort()); // connecting is refused at once
        Renew();
    }
    // A lifecycle as the frame makes it, with retries a minute apart.
    void Renew()
    {
        window.reset();
        LogonOptions options{ReconnectPolicy::Fixed(60s), std::chrono::seconds(5),
                             [this] { return windowShown; }};
        life = std::make_unique<LogonLifecycle>(connection, options);
        window = std::make_unique<Window>(*life);
    }
    void SaveCredentials(const QString& email)
    {
        Settings s;
        s.WriteText(setting::Email, email);
        s.WriteText(setting::Password, "plain");
        s.WriteInt(setting::SavePassword, 1);
    }
    std::intptr_t Current() const { return static_cast<std::intptr_t>(life->Generation()); }

    test::ScratchHome home;
    ClientConnection connection;
    bool windowShown = true;
    std::unique_ptr<LogonLifecycle> life;
    std::unique_ptr<Window> window;
};

TEST_F(LogonLifecycleTest, LogonIsIgnoredWhileLoggingOn)
{
    Settings().WriteText(setting::Server, ""); // the logon fails at once, without network
    life->Start(false);
    life->SwitchView(ViewKind::Signon);
    const auto generation = life->Generation();
    life->OnRegisteredMessage(uwm::Logon(), 0, 0);
    EXPECT_EQ(life->View(), ViewKind::Signon);
    EXPECT_EQ(life->Generation(), generation);
    EXPECT_EQ(window->passwordRequests, 0);
}

TEST_F(LogonLifecycleTest, NoServerGivesTheConnectFailure)
{
    Settings().WriteText(setting::Server, "");
    SaveCredentials("c@example.com");
    life->Start(true);
    EXPECT_EQ(life->View(), ViewKind::Signon);
    EXPECT_EQ(life->Pending().email, "c@example.com") << "start-up fills the pending logon";
    ASSERT_TRUE(test::WaitUntil([&] { return window->notices.size() == 1; }));
    EXPECT_EQ(window->notices[0].kind, LogonNotice::Kind::ConnectFailed);
    EXPECT_TRUE(life->AutoReconnect());
}

TEST_F(LogonLifecycleTest, ReconnectStartedLogonFailsSilently)
{
    SaveCredentials("d@example.com");
    life->Start(false);
    // As the reconnect worker posts it: wParam 1, tagged with the current generation.
    life->OnRegisteredMessage(uwm::Logon(), 1, Current());
    EXPECT_EQ(life->View(), ViewKind::Signon);
    EXPECT_TRUE(life->SilentLogon());
    ASSERT_TRUE(test::WaitUntil([&] { return life->View() == ViewKind::Logon; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(window->notices.empty());
    EXPECT_FALSE(life->AutoReconnect()) << "a background logon does not arm reconnection";
}

TEST_F(LogonLifecycleTest, ResultsOfAnotherGenerationAreIgnored)
{
    Settings().WriteText(setting::Server, "");
    life->Start(false);
    life->SwitchView(ViewKind::Signon);
    const auto old = static_cast<std::intptr_t>(life->Generation() - 1);
    life->OnRegisteredMessage(uwm::LogonComplete(), 0, old);
    EXPECT_EQ(life->View(), ViewKind::Signon);
    life->OnRegisteredMessage(uwm::ConnectFailed(), 0, old);
    EXPECT_EQ(life->View(), ViewKind::Signon);
    // A stale reconnect request in the logged-off view does nothing either.
    life->SwitchView(ViewKind::Logon);
    life->OnRegisteredMessage(uwm::Logon(), 1, old);
    EXPECT_EQ(window->passwordRequests, 0);
}

TEST_F(LogonLifecycleTest, LogoffFromTheServerTellsWhyAndStopsReconnection)
{
    life->Start(false);
    life->OnRegisteredMessage(uwm::Logon(), 0, 0); // arms reconnection, asks for the password
    ASSERT_TRUE(life->AutoReconnect());
    ASSERT_EQ(window->passwordRequests, 1);
    life->OnRegisteredMessage(uwm::Logoff(), 0, 1);
    EXPECT_FALSE(life->AutoReconnect());
    EXPECT_FALSE(life->WorkerRunning());
    ASSERT_EQ(window->notices.size(), 1u);
    EXPECT_EQ(window->notices[0].kind, LogonNotice::Kind::SignedOff);
    EXPECT_EQ(window->ends.back(), ViewEnd::SignedOff);
    life->OnRegisteredMessage(uwm::Logoff(), 0, 0);
    EXPECT_EQ(window->notices.size(), 1u) << "a log-off asked for locally shows nothing";
    EXPECT_EQ(window->ends.back(), ViewEnd::LoggedOff);
}

TEST_F(LogonLifecycleTest, ConnectionLostOnlyMattersWhenLoggedOn)
{
    life->Start(false);
    const auto generation = life->Generation();
    life->OnRegisteredMessage(uwm::ConnectionLost(), 0, 0);
    EXPECT_EQ(life->Generation(), generation);
}

// The questions of the logon worker (in the logging-on view) and of the reconnect worker (in the
// logged-off view, after a failed logon), answered as the frame's box would.
TEST_F(LogonLifecycleTest, CertificateQuestions)
{
    enum class Answer
    {
        Yes,
        No,
        Ok, // the changed-certificate warning
    };
    struct Row
    {
        const char* name;
        bool changed;
        bool fromReconnect;
        bool hidden; // the window is in the notification area when the question comes
        Answer answer;
        ViewKind view; // after the answer
        bool pinned;
        bool autoReconnect;
        std::vector<LogonNotice::Kind> notices; // after the answer
    } rows[] = {
        {"yes pins the certificate and logs on",
         false,
         false,
         false,
         Answer::Yes,
         ViewKind::Signon,
         true,
         true,
         {}},
        {"no cancels the logon and the retries",
         false,
         false,
         false,
         Answer::No,
         ViewKind::Logon,
         false,
         false,
         {LogonNotice::Kind::CertificateNotTrusted}},
        {"changed certificate is refused with the warning alone",
         true,
         false,
         false,
         Answer::Ok,
         ViewKind::Logon,
         false,
         false,
         {}},
        {"yes to the reconnect worker logs on as the reconnect would",
         false,
         true,
         false,
         Answer::Yes,
         ViewKind::Signon,
         true,
         true,
         {}},
        {"background logon asks once the window is shown",
         false,
         false,
         true,
         Answer::Yes,
         ViewKind::Signon,
         true,
         true,
         {}},
    };
    std::string fingerprint = "5A";
    for (int i = 1; i < 32; ++i)
        fingerprint += ":5A";
    SaveCredentials("ben@example.com");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::remove(DefaultTrustFile().c_str());
        windowShown = !row.hidden;
        Renew();
        life->Start(true);
        if (row.fromReconnect)
            life->OnRegisteredMessage(uwm::ConnectFailed(), 0, Current());
        const MessageId certificate =
            row.changed ? uwm::CertificateChanged() : uwm::CertificateUnknown();
        life->OnRegisteredMessage(certificate, row.fromReconnect ? 1 : 0, Current());
        EXPECT_EQ(life->View(), ViewKind::Logon);
        if (row.hidden) {
            // Nothing pops up over the desktop: the question waits for the window.
            EXPECT_TRUE(life->TrustQuestionWaiting());
            life->AskWaitingTrustSoon();
            QCoreApplication::processEvents();
            EXPECT_TRUE(window->questions.empty());
            windowShown = true;
            life->AskWaitingTrustSoon();
            ASSERT_TRUE(test::WaitUntil([&] { return !window->questions.empty(); }));
        }
        ASSERT_EQ(window->questions.size(), 1u);
        EXPECT_FALSE(life->TrustQuestionWaiting());
        EXPECT_EQ(window->questions[0].changed, row.changed);
        EXPECT_EQ(window->questions[0].fromReconnect, row.fromReconnect);
        // Another attempt meanwhile meets the certificate again and asks no second question.
        life->OnRegisteredMessage(uwm::Logon(), 0, 0);
        life->OnRegisteredMessage(certificate, 0, Current());
        EXPECT_EQ(window->questions.size(), 1u);
        EXPECT_FALSE(life->TrustQuestionWaiting());

        // The worker saw the development server's certificate.
        TrustQuestion answered = window->questions[0];
        answered.trust.host = "127.0.0.1";
        answered.trust.port = 4433;
        answered.trust.certificate.sha256 = fingerprint;
        window->notices.clear();
        life->OnTrustAnswer(answered, row.answer == Answer::Yes);
        life->TrustQuestionClosed();
        std::vector<LogonNotice::Kind> notices;
        for (const LogonNotice& notice : window->notices)
            notices.push_back(notice.kind);
        EXPECT_EQ(notices, row.notices);
        for (const LogonNotice& notice : window->notices)
            EXPECT_EQ(notice.detail, "127.0.0.1:4433");
        ASSERT_TRUE(test::WaitUntil([&] { return life->View() == row.view; }));
        EXPECT_EQ(life->AutoReconnect(), row.autoReconnect);
        std::vector<TlsPin> pins;
        ASSERT_EQ(LoadPins(DefaultTrustFile(), pins), ImResult::Ok);
        EXPECT_EQ(FindPin(pins, "127.0.0.1", 4433).has_value(), row.pinned);
    }
}

} // namespace
} // namespace zep
