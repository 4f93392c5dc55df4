// Desktop notifications of a logged-on frame on zep-devserver, observed by a notification
// service of the test's own on the private session bus: Echo's answer in a window that is not
// active, activation raising that window, the option that turns them off, new mail, and a
// desktop without a service.
#include "bus_client.h"
#include "contacts/contact_display.h"
#include "contacts/own_status.h"
#include "desktop/launcher_entry.h"
#include "fake_notifications.h"

namespace zep {
namespace {

using test::WaitUntil;

// What the messenger tells the desktop's launcher.
class LauncherWatch : public QObject
{
    Q_OBJECT
public:
    QString entry;
    qint64 count = -1;
public slots:
    void Update(const QString& app, const QVariantMap& properties)
    {
        entry = app;
        count = properties.value(QStringLiteral("count")).toLongLong();
    }
};

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

    // Activating the notice brings that window to the front (with the service's token for the
    // click: tests/desktop/activation_x11_test.cpp).
    window->hide();
    Emit(kNotificationsInterface, "ActivationToken", {1u, QStringLiteral("zep-test_TIME4242")});
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

class NotificationReply : public Notifications, public ::testing::WithParamInterface<bool>
{
};

TEST_P(NotificationReply, TypedIntoTheNotificationWhereTheServiceCanElseTheWindowComesUp)
{
    const bool inlineReply = GetParam();
    if (inlineReply)
        service.capabilities << QStringLiteral("inline-reply");
    Serve();
    conversations::MessageWindow* window = EchoAnswers(QStringLiteral("ping"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !service.shown.empty(); }));
    EXPECT_EQ(service.shown.back().sound, QStringLiteral("message-new-instant"));
    const QStringList& actions = service.shown.back().actions;
    if (inlineReply) {
        ASSERT_TRUE(actions.contains(QStringLiteral("inline-reply")))
            << actions.join(',').toStdString();
        window->Input()->setPlainText(QStringLiteral("a draft"));
        Emit(kNotificationsInterface, "NotificationReplied", {1u, QStringLiteral("pong back")});
        // An ordinary message of the session: Echo sends it back; the draft stays.
        EXPECT_TRUE(WaitUntil([&] {
            const std::string h = HistoryOf(window);
            return h.find("pong back") != h.rfind("pong back");
        })) << HistoryOf(window);
        EXPECT_EQ(window->Input()->toPlainText(), QStringLiteral("a draft"));
    } else {
        ASSERT_TRUE(actions.contains(QStringLiteral("reply"))) << actions.join(',').toStdString();
        window->hide();
        Invoke(1, QStringLiteral("reply"));
        EXPECT_TRUE(WaitUntil([&] { return window->isVisible(); }));
    }
}

INSTANTIATE_TEST_SUITE_P(Service, NotificationReply, ::testing::Bool(),
                         [](const auto& row) { return row.param ? "InlineReply" : "ActionsOnly"; });

class QuietNotifications : public Notifications, public ::testing::WithParamInterface<bool>
{
};

TEST_P(QuietNotifications, NothingIsShownWhileTheUnreadCountStillRises)
{
    Serve();
    LauncherWatch launcher;
    QDBusConnection watch = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                          QStringLiteral("launcher-watch"));
    ASSERT_TRUE(watch.connect(QString(), QString(), QString::fromLatin1(kLauncherEntryInterface),
                              QStringLiteral("Update"), &launcher,
                              SLOT(Update(QString, QVariantMap))));
    if (GetParam()) {
        view->SendStatus(contacts::command::DoNotDisturb);
    } else {
        const QVariantMap inhibited{{QStringLiteral("Inhibited"), true}};
        Emit("org.freedesktop.DBus.Properties", "PropertiesChanged",
             {QString::fromLatin1(kNotificationsInterface), inhibited, QStringList()});
    }
    ASSERT_TRUE(WaitUntil([] { return attention::Quiet(); }));

    conversations::MessageWindow* window = EchoAnswers(QStringLiteral("while quiet"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return launcher.count == 1; })) << launcher.count;
    EXPECT_EQ(launcher.entry, QStringLiteral("application://org.zep.ZEPMessenger.desktop"));
    EXPECT_EQ(window->Unread(), 1);
    EXPECT_TRUE(window->windowTitle().startsWith(QStringLiteral("(1) ")))
        << window->windowTitle().toStdString();
    EXPECT_TRUE(service.shown.empty()) << "nothing shown while quiet";

    // Looking at the window reads its messages.
    window->activateWindow();
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(WaitUntil([&] { return launcher.count == 0; }));
    EXPECT_EQ(window->Unread(), 0);
    EXPECT_FALSE(window->windowTitle().startsWith(QStringLiteral("(")));
    QDBusConnection::disconnectFromBus(QStringLiteral("launcher-watch"));
}

INSTANTIATE_TEST_SUITE_P(Why, QuietNotifications, ::testing::Bool(), [](const auto& row) {
    return row.param ? "OwnStatus" : "DesktopInhibited";
});

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

#include "notify_e2e_test.moc"
