// The logged-on view against a real zep-devserver: the list the server fills, live presence,
// the own status and its early keep-alive, new mail and a forced sign-off.
#include "tests/support/view_fixture.h"

#include "app/main_frame.h"
#include "app/views.h"
#include "app/zepim_view.h"
#include "contacts/own_status.h"
#include "conversations/message_parts.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "protocol/framing.h"
#include "protocol/requests.h"
#include "session/client_connection.h"
#include "session/history_store.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/child_process.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "transport/im_connection.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <ctime>
#include <gtest/gtest.h>
#include <optional>
#include <regex>
#include <thread>

namespace zep {
namespace {

using namespace std::chrono_literals;
using contacts::ContactDisplayKind;

TEST_F(ViewE2E, ListIsFilledFromTheServer)
{
    EXPECT_TRUE(view->Shown().contains("Anna Berg")) << view->Shown().toStdString();
    for (const char16_t* email : {u"ben@example.com", u"carla@example.com"})
        EXPECT_EQ(KindOf(email), ContactDisplayKind::OfflineContact);
    const std::string shown = Shown();
    EXPECT_NE(shown.find("recent email"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Online\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Offline\n"), std::string::npos) << shown;
    EXPECT_EQ(view->KeepAlivesSent(), 1);
}

TEST_F(ViewE2E, LivePresenceMovesContactsAndBringsBackThePlaceholder)
{
    const bool echoOnline = KindOf(u"echo@example.com") == ContactDisplayKind::OnlineContact;
    auto ben = LogOn("ben@example.com", "ben123");
    ASSERT_NE(ben, nullptr);
    ASSERT_TRUE(test::WaitUntil([&] {
        return KindOf(u"ben@example.com") == ContactDisplayKind::OnlineContact;
    })) << Shown();
    EXPECT_EQ(view->List()->FindByKind(ContactDisplayKind::OnlinePlaceholder), nullptr);
    ben->Disconnect();
    ASSERT_TRUE(test::WaitUntil([&] {
        return KindOf(u"ben@example.com") == ContactDisplayKind::OfflineContact;
    })) << Shown();
    if (!echoOnline) {
        EXPECT_NE(view->List()->FindByKind(ContactDisplayKind::OnlinePlaceholder), nullptr)
            << Shown();
    }
}

TEST_F(ViewE2E, OwnPresenceChangesTheBannerAndTheNextInputSendsKeepAlive)
{
    view->SendStatus(contacts::command::Phone);
    ASSERT_TRUE(test::WaitUntil([&] { return view->Shown().contains("(Phone)"); }))
        << view->Shown().toStdString();
    EXPECT_EQ(view->List()->FindByEmail(u"anna@example.com"), nullptr); // never a contact row
    // The server's own PRESENCE arms the watch; input then sends a keep-alive at once.
    ASSERT_TRUE(test::WaitUntil([&] { return view->Own().subStatus == SubStatus::Phone; }));
    const int before = view->KeepAlivesSent();
    // A later event proves the watch had its chance to fire: Ben's sign-on reaches the list.
    auto ben = LogOn("ben@example.com", "ben123");
    ASSERT_NE(ben, nullptr);
    ASSERT_TRUE(test::WaitUntil(
        [&] { return KindOf(u"ben@example.com") == ContactDisplayKind::OnlineContact; }));
    EXPECT_EQ(view->KeepAlivesSent(), before); // no input, no early keep-alive
    const auto input = std::chrono::steady_clock::now();
    tick = 2000;
    ASSERT_TRUE(test::WaitUntil([&] { return view->KeepAlivesSent() > before; }, 3s));
    // The idle user's return is looked for once a second.
    EXPECT_LT(std::chrono::steady_clock::now() - input, 1500ms);
}

TEST_F(ViewE2E, MenuStatusClearsTheCustomText)
{
    view->SendStatus(contacts::command::CustomOk, QStringLiteral("at lunch"));
    ASSERT_TRUE(test::WaitUntil([&] { return view->Shown().contains("at lunch"); }));
    view->SendStatus(contacts::command::Away);
    ASSERT_TRUE(test::WaitUntil([&] { return view->Shown().contains("(Away)"); }))
        << view->Shown().toStdString();
    EXPECT_TRUE(view->Own().customStatus.empty());
}

TEST_F(ViewE2E, KeepAliveScheduleUsesTheInjectedInterval)
{
    frame.reset();
    CurrentViewTiming().keepAliveInterval = 200ms;
    frame = std::make_unique<CMainFrame>(connection, FrameOptions{});
    frame->StartFirstView(true);
    ASSERT_TRUE(test::WaitUntil([&] { return frame->CurrentView() == ViewKind::Main; }));
    view = qobject_cast<CZepimView*>(frame->View());
    ASSERT_TRUE(test::WaitUntil([&] { return view->KeepAlivesSent() >= 4; }, 5s));
    // An active user costs one wake-up per keep-alive, not a poll in between.
    EXPECT_LE(view->KeepAliveWakeUps(), view->KeepAlivesSent() + 2);
}

TEST_F(ViewE2E, NewMailEventSetsTheNotice)
{
    ServerEvent mail{{u"NEW MAIL", u"Recent: 4"}};
    view->Dispatch(mail);
    EXPECT_EQ(view->List()->FindByKind(ContactDisplayKind::MailNotice)->Label,
              u"You have 4 recent email messages");
    view->Dispatch(ServerEvent{{u"NEW MAIL", u"Recent: "}}); // empty: unchanged
    EXPECT_EQ(view->List()->FindByKind(ContactDisplayKind::MailNotice)->Label,
              u"You have 4 recent email messages");
    view->Dispatch(ServerEvent{{u"new mail", u"recent: 0"}});
    EXPECT_EQ(view->List()->FindByKind(ContactDisplayKind::MailNotice)->Label,
              u"No recent email messages");
}

TEST_F(ViewE2E, LogoffFromElsewhereShowsTheMessageAndStopsReconnection)
{
    QSignalSpy messages(frame.get(), &CMainFrame::messageShown);
    auto again = LogOn("anna@example.com", "anna123");
    ASSERT_NE(again, nullptr);
    ASSERT_TRUE(test::WaitUntil([&] { return frame->CurrentView() == ViewKind::Logon; }));
    ASSERT_TRUE(test::WaitUntil([&] { return messages.count() == 1; }));
    EXPECT_TRUE(messages.at(0).at(0).toString().startsWith("Signed off"));
    // No retry follows a sign-off: nothing runs that could log on again.
    EXPECT_FALSE(frame->AutoReconnect());
    EXPECT_FALSE(frame->WorkerRunning());
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
}

TEST_F(ViewE2E, AConnectionLossWhileTheStatusMenuIsOpenEndsTheViewCleanly)
{
    // The menu must not run a nested loop in which the view is switched away and freed.
    view->OpenStatusMenu();
    QPointer<QMenu> menu = view->StatusMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(test::WaitUntil([&] { return menu->isVisible(); }));
    QPointer<CZepimView> old = view;
    PostRegisteredMessage(frame.get(), uwm::ConnectionLost(), 0,
                          static_cast<std::intptr_t>(frame->Generation()));
    ASSERT_TRUE(test::WaitUntil([&] { return old.isNull(); }));
    EXPECT_EQ(frame->CurrentView(), ViewKind::Logon);
    EXPECT_TRUE(menu.isNull()) << "the menu went with its view";
}

TEST_F(ViewE2E, ParticipantLookupAnswersAtOnceAndAsksTheDirectoryOnTheWorker)
{
    ContactRecord details;
    ASSERT_TRUE(view->GetContactDetails(u"BEN@example.com", details));
    EXPECT_EQ(details.email, u"ben@example.com");
    EXPECT_FALSE(view->GetContactDetails(u"nobody@example.com", details));
    std::vector<std::u16string> resolved;
    auto count = [&](const ContactRecord& r) { resolved.push_back(r.name); };
    EXPECT_EQ(view->LookupParticipant(u"Ben@example.com", view, count).name, u"Ben Okafor");
    EXPECT_EQ(view->LookupParticipant(u"Anna@example.com", view, count).name, u"Anna Berg");
    const ContactRecord bare = view->LookupParticipant(u"stranger@elsewhere.test", view, count);
    EXPECT_EQ(bare.id, -1);
    EXPECT_EQ(bare.name, u"stranger");
    // The worker answers in order: once a later request's result is in, the directory has
    // answered the lookup; it knew nobody of that address, and the bare record is the answer.
    view->SendStatus(contacts::command::Phone);
    ASSERT_TRUE(test::WaitUntil([&] { return view->Own().subStatus == SubStatus::Phone; }));
    EXPECT_EQ(resolved, std::vector<std::u16string>{u"stranger"});
}

TEST_F(ViewE2E, EchoAnswersInTheConversationWindow)
{
    ASSERT_EQ(KindOf(u"echo@example.com"), ContactDisplayKind::OnlineContact) << Shown();
    view->StartConversation(u"echo@example.com");
    conversations::MessageWindow* window = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] { return (window = OnlyConversation()) != nullptr; }));
    EXPECT_TRUE(window->isVisible());
    window->Input()->setPlainText(QStringLiteral("Grüße aus Köln\n\nzweite Zeile"));
    window->Send();
    // Our own line, then Echo's copy of it, rich part included.
    ASSERT_TRUE(test::WaitUntil([&] {
        const std::string h = HistoryOf(window);
        const auto first = h.find("Grüße aus Köln");
        return first != std::string::npos &&
               h.find("Grüße aus Köln", first + 1) != std::string::npos;
    })) << HistoryOf(window);
    EXPECT_NE(HistoryOf(window).find("Echo"), std::string::npos) << HistoryOf(window);
    // A second start raises this window instead of inviting again.
    view->StartConversation(u"echo@example.com");
    QCoreApplication::processEvents();
    EXPECT_EQ(view->Conversations().size(), 1u);
}

// A name typed into the list filters it; Enter talks to the first match, Esc shows all again.
TEST_F(ViewE2E, TypingInTheListFiltersAndEnterStartsTheConversation)
{
    ASSERT_EQ(KindOf(u"echo@example.com"), ContactDisplayKind::OnlineContact) << Shown();
    const std::string whole = Shown();
    QTest::keyClicks(view->List(), QStringLiteral("ECH"));
    EXPECT_TRUE(view->Filter()->isVisibleTo(view));
    EXPECT_EQ(view->Filter()->text(), QStringLiteral("ECH"));
    EXPECT_EQ(Shown().find("Anna Berg"), std::string::npos) << Shown();
    EXPECT_NE(Shown().find("No matching contacts."), std::string::npos) << Shown();
    QTest::keyClick(view->Filter(), Qt::Key_Return);
    ASSERT_TRUE(test::WaitUntil([&] { return OnlyConversation() != nullptr; }));
    // Esc in the field, or in the list while it is filtered, shows everyone again.
    for (QWidget* where :
         {static_cast<QWidget*>(view->Filter()), static_cast<QWidget*>(view->List())}) {
        QTest::keyClicks(view->List(), QStringLiteral("ech"));
        QTest::keyClick(where, Qt::Key_Escape);
        EXPECT_TRUE(view->Filter()->text().isEmpty());
        EXPECT_FALSE(view->Filter()->isVisibleTo(view));
        EXPECT_EQ(Shown(), whole);
    }
}

TEST_F(ViewE2E, AReopenedConversationShowsItsEarlierLinesAndTheHistoryFindsThem)
{
    const auto converse = [this]() -> conversations::MessageWindow* {
        view->StartConversation(u"echo@example.com");
        conversations::MessageWindow* window = nullptr;
        return test::WaitUntil([&] { return (window = OnlyConversation()) != nullptr; }) ? window
                                                                                         : nullptr;
    };
    QPointer<conversations::MessageWindow> first = converse();
    ASSERT_TRUE(first);
    first->Input()->setPlainText(QStringLiteral("remember the walrus"));
    first->Send();
    ASSERT_TRUE(test::WaitUntil([&] {
        const std::string h = HistoryOf(first);
        return h.find("walrus") != h.rfind("walrus");
    })) << HistoryOf(first);
    first->close();
    ASSERT_TRUE(test::WaitUntil([&] { return first.isNull(); }));

    conversations::MessageWindow* again = converse();
    ASSERT_NE(again, nullptr);
    const std::string shown = HistoryOf(again);
    EXPECT_NE(shown.find("remember the walrus"), shown.rfind("remember the walrus"))
        << "both sides of it: " << shown;
    ASSERT_NE(view->History(), nullptr);
    view->History()->Flush();
    EXPECT_EQ(view->History()->Search("walrus", 10).size(), 2u);
    // The option stops and starts the writing without a new logon.
    for (const int keep : {0, 1}) {
        Settings().WriteInt(setting::KeepHistory, keep);
        view->OptionsApplied();
        EXPECT_EQ(view->History() != nullptr, keep == 1);
    }
}

TEST_F(ViewE2E, AConversationOutlivesALostConnectionMarkedEnded)
{
    view->StartConversation(u"echo@example.com");
    QPointer<conversations::MessageWindow> window;
    ASSERT_TRUE(test::WaitUntil([&] { return (window = OnlyConversation()) != nullptr; }));
    window->Input()->setPlainText(QStringLiteral("draft kept"));
    QPointer<CZepimView> old = view;
    PostRegisteredMessage(frame.get(), uwm::ConnectionLost(), 0,
                          static_cast<std::intptr_t>(frame->Generation()));
    ASSERT_TRUE(test::WaitUntil([&] { return old.isNull(); }));
    ASSERT_FALSE(window.isNull()) << "the window stays with the user";
    EXPECT_TRUE(window->SessionEnded()) << "so closing it sends no LEAVE on a later connection";
    EXPECT_TRUE(window->Input()->isReadOnly());
    EXPECT_EQ(window->Input()->toPlainText(), QStringLiteral("draft kept"));
    EXPECT_NE(HistoryOf(window).find("connection to the server was lost"), std::string::npos)
        << HistoryOf(window);
    window->close();
    ASSERT_TRUE(test::WaitUntil([&] { return window.isNull(); }));
}

TEST_F(ViewE2E, AConversationWithAnotherUserBothWays)
{
    auto ben = LogOn("ben@example.com", "ben123");
    ASSERT_NE(ben, nullptr);
    std::string sessionId;
    {
        std::lock_guard app(ben->AppLock());
        ASSERT_EQ(ImInvite(*ben->Connection(), {"anna@example.com"}, sessionId), ImResult::Ok);
        std::tm now{};
        now.tm_year = 126;
        now.tm_mday = 7;
        now.tm_mon = 11;
        now.tm_wday = 1;
        const conversations::MessageParts parts = conversations::BuildMessageParts(
            sessionId, "Hello Anna",
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}}\\pard Hello "
            "{\\b Anna}\\par }",
            now);
        LineList reply;
        ASSERT_EQ(ImMessage(*ben->Connection(), "im", parts.headers, parts.body, reply),
                  ImResult::Ok);
    }
    // The SESSION made a hidden window; the MESSAGE shows it with the rich text.
    conversations::MessageWindow* window = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] {
        window = view->FindConversation(sessionId);
        return window && window->isVisible();
    }));
    EXPECT_NE(HistoryOf(window).find("Ben Okafor"), std::string::npos) << HistoryOf(window);
    EXPECT_NE(HistoryOf(window).find("Hello Anna"), std::string::npos) << HistoryOf(window);

    window->Input()->setPlainText(QStringLiteral("Hi Ben"));
    window->Send();
    const std::optional<ServerEvent> answer = NextEvent(*ben, EventKind::Message);
    ASSERT_TRUE(answer.has_value());
    bool found = false;
    for (const std::u16string& line : answer->lines)
        found = found || line == u"Hi Ben";
    EXPECT_TRUE(found) << "the plain part reached Ben";

    // Closing the window leaves the session (once the send is answered): Ben is told Anna has
    // gone.
    QPointer<conversations::MessageWindow> closing = window;
    window->close();
    ASSERT_TRUE(test::WaitUntil([&] { return closing.isNull() || closing->Closed(); }));
    std::optional<ServerEvent> left;
    do {
        left = NextEvent(*ben, EventKind::Session);
    } while (left && HeaderValue(*left, u"Email", 10240).find(u"anna") != std::u16string::npos);
    ASSERT_TRUE(left.has_value()) << "no SESSION without Anna reached Ben";

    // Ben invites Anna back into the same session: a new window shows his next message.
    {
        std::lock_guard app(ben->AppLock());
        ASSERT_EQ(ImInviteToSession(*ben->Connection(), sessionId, "anna@example.com"),
                  ImResult::Ok);
        LineList reply;
        const conversations::MessageParts again = conversations::BuildMessageParts(
            sessionId, "Welcome back", "{\\rtf1\\ansi Welcome back\\par }", std::tm{});
        ASSERT_EQ(ImMessage(*ben->Connection(), "im", again.headers, again.body, reply),
                  ImResult::Ok);
    }
    ASSERT_TRUE(test::WaitUntil([&] {
        window = view->FindConversation(sessionId);
        return window && window->isVisible();
    })) << "the re-invitation was dropped";
    EXPECT_NE(HistoryOf(window).find("Welcome back"), std::string::npos) << HistoryOf(window);
}

TEST_F(ViewE2E, RpcMessagesAnswerFromTheContactList)
{
    ContactRecord buffer;
    buffer.email = u"carla@example.com";
    // Sent from another thread, as the RPC service does, while the UI thread runs.
    std::atomic<std::intptr_t> details{-1};
    std::atomic<std::intptr_t> unknown{-1};
    std::thread rpc([&] {
        details = SendRegisteredMessage(view, uwm::GetContactDetailsCommand(), 0,
                                        reinterpret_cast<std::intptr_t>(&buffer))
                      .value_or(-2);
        const std::u16string stranger = u"nobody@example.com";
        unknown = SendRegisteredMessage(view, uwm::SendImCommand(), 0,
                                        reinterpret_cast<std::intptr_t>(&stranger))
                      .value_or(-2);
    });
    ASSERT_TRUE(test::WaitUntil([&] { return unknown != -1; }));
    rpc.join();
    EXPECT_EQ(details, reinterpret_cast<std::intptr_t>(&buffer));
    EXPECT_EQ(buffer.name, u"Carla Diaz");
    EXPECT_EQ(unknown, 207);
}

} // namespace
} // namespace zep
