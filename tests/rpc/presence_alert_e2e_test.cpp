// "Notify Me When Online" on zep-devserver, told to a notification service of the test's own.
#include "fake_notifications.h"
#include "session/presence_alerts.h"

#include <QMenu>

namespace zep {
namespace {

using test::WaitUntil;

class PresenceAlerts : public test::NoticeE2E
{
protected:
    // Whether the contact menu's last item, the alert, is checked; `choose` then picks it.
    bool AlertItem(const std::u16string& email, bool choose = false)
    {
        view->OpenContactMenu(email, QPoint(10, 10));
        QAction* item = view->ContactMenu()->actions().constLast();
        EXPECT_EQ(item->text(), "Notify Me When Online");
        const bool checked = item->isChecked();
        if (choose)
            item->trigger();
        view->ContactMenu()->close();
        return checked;
    }
    // `who` signs in (again) with the demo password; then `n` notices have been shown.
    void SignIn(std::unique_ptr<ClientConnection>& who, const char* email, std::size_t n)
    {
        const auto kind = [&] { return KindOf(QString(email).toStdU16String()); };
        if (who)
            who->Disconnect();
        ASSERT_TRUE(WaitUntil([&] { return kind() == ContactDisplayKind::OfflineContact; }));
        who = LogOn(email, QString(email).section('@', 0, 0).toStdString() + "123");
        ASSERT_TRUE(WaitUntil([&] { return kind() == ContactDisplayKind::OnlineContact; }));
        WaitUntil([&] { return service.shown.size() >= n; });
        Flush();
        EXPECT_EQ(service.shown.size(), n);
    }
};

TEST_F(PresenceAlerts, OneNoticePerSignInOfAContactAskedAbout)
{
    Serve();
    EXPECT_FALSE(AlertItem(u"ben@example.com", true));
    ASSERT_TRUE(WaitUntil([&] { return AlertItem(u"ben@example.com"); }));
    // Kept per account; addresses compare without regard to case.
    EXPECT_TRUE(presence_alerts::Wanted(u"ANNA@example.com", u"Ben@Example.com"));
    EXPECT_FALSE(presence_alerts::Wanted(u"carla@example.com", u"ben@example.com"));
    std::unique_ptr<ClientConnection> ben, carla;
    SignIn(carla, "carla@example.com", 0);
    SignIn(ben, "ben@example.com", 1);
    EXPECT_EQ(service.shown[0].summary, "Ben Okafor is online");
    EXPECT_EQ(service.shown[0].category, "presence.online");
    EXPECT_EQ(service.shown[0].actions.mid(2), QStringList({"send-im", "Send Instant Message"}));
    Invoke(1, QStringLiteral("send-im"));
    EXPECT_TRUE(WaitUntil([&] {
        return OnlyConversation() && OnlyConversation()->IsOneToOneWith(u"ben@example.com");
    }));

    // A change of status while online is no sign-in. Ben's next sign-in replaces his notice;
    // Carla's stands beside it.
    {
        std::lock_guard app(ben->AppLock());
        ImPresence(*ben->Connection(), PresenceStatus::Available, SubStatus::Lunch, "");
    }
    SignIn(ben, "ben@example.com", 2);
    EXPECT_EQ(service.shown[1].replaces, 1u);
    AlertItem(u"carla@example.com", true);
    ASSERT_TRUE(WaitUntil([&] { return AlertItem(u"carla@example.com"); }));
    SignIn(carla, "carla@example.com", 3);
    EXPECT_EQ(service.shown[2].replaces, 0u);
}

} // namespace
} // namespace zep
