// Desktop notifications of a logged-on frame on zep-devserver, observed by a notification
// service of the test's own on the private session bus: Echo's answer in a window that is not
// active, activation raising that window, the option that turns them off, new mail, and a
// desktop without a service.
#include "bus_client.h"
#include "contacts/contact_display.h"
#include "fake_notifications.h"

namespace zep {
namespace {

using test::WaitUntil;

class Notifications : public test::NoticeE2E
{
protected:
    // Echo's copy of `text` in a conversation window that is not the active window.
    conversations::MessageWindow* EchoAnswers(const QString& text)
    {
        conversations::MessageWindow* window = OnlyConversation();
        if (window == nullptr) {
            view->StartConversation(u"echo@example.com");
            if (!WaitUntil([&] { return (window = OnlyConversation()) != nullptr; }))
                return nullptr;
        }
        const std::size_t before = HistoryOf(window).size();
        frame->activateWindow();
        WaitUntil([&] { return frame->isActiveWindow(); });
        window->Input()->setPlainText(text);
        window->Send();
        const std::string wanted = text.toStdString();
        WaitUntil([&] {
            const std::string h = HistoryOf(window).substr(before);
            const auto first = h.find(wanted);
            return first != std::string::npos && h.find(wanted, first + 1) != std::string::npos;
        });
        return window;
    }
};

TEST_F(Notifications, MessagesMailAndTheOptionThatTurnsMessagesOff)
{
    Serve();
    conversations::MessageWindow* window = EchoAnswers(QStringLiteral("<b>bold?</b> & more"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !service.shown.empty(); }));
    const test::ShownNotice first = service.shown.back();
    EXPECT_EQ(first.summary, QStringLiteral("Echo"));
    // Another client's text is never markup to the service.
    EXPECT_EQ(first.body, QStringLiteral("&lt;b&gt;bold?&lt;/b&gt; &amp; more"));
    EXPECT_EQ(first.category, QStringLiteral("im.received"));
    // The installed desktop entry, which gives the notice its name and icon.
    EXPECT_EQ(first.desktopEntry, QStringLiteral("org.zep.ZEPMessenger"));
    EXPECT_TRUE(first.actions.contains(QStringLiteral("default")));

    // Activating the notice brings that window to the front.
    window->hide();
    Invoke(1);
    EXPECT_TRUE(WaitUntil([&] { return window->isVisible(); }));

    // A second message of the same window replaces its notice instead of stacking another.
    ASSERT_NE(EchoAnswers(QStringLiteral("again")), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return service.shown.size() >= 2; }));
    EXPECT_EQ(service.shown.back().replaces, 1u);

    Settings().WriteInt(setting::NotifyMessages, 0);
    const std::size_t before = service.shown.size();
    ASSERT_NE(EchoAnswers(QStringLiteral("quiet now")), nullptr);
    Settings().WriteInt(setting::NotifyMessages, 1);

    // New mail tells the desktop (Ben writes to Anna); the count at logon did not.
    auto ben = LogOn("ben@example.com", "ben123");
    ASSERT_NE(ben, nullptr);
    {
        std::lock_guard app(ben->AppLock());
        LineList reply;
        ASSERT_EQ(ImMessage(*ben->Connection(), "email",
                            "To: anna@example.com\r\nSubject: hello\r\n", "Hi Anna", reply),
                  ImResult::Ok);
    }
    ASSERT_TRUE(WaitUntil([&] { return service.shown.size() > before; }));
    EXPECT_EQ(service.shown.size(), before + 1) << "no notice while messages are turned off";
    EXPECT_EQ(service.shown.back().category, QStringLiteral("email.arrived"));
    EXPECT_EQ(service.shown.back().body,
              QString::fromStdU16String(contacts::MailNoticeLabel(3)).toHtmlEscaped());
}

TEST_F(Notifications, WithoutAServiceTheMessageStillArrives)
{
    conversations::MessageWindow* window = EchoAnswers(QStringLiteral("nobody listens"));
    ASSERT_NE(window, nullptr);
    const std::string h = HistoryOf(window);
    EXPECT_NE(h.find("nobody listens", h.find("nobody listens") + 1), std::string::npos) << h;
    EXPECT_TRUE(service.shown.empty());
}

} // namespace
} // namespace zep
