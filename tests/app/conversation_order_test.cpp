// Results and events of conversations against a scripted server: whatever order the server
// writes them in, one session has one window and a message always finds its window and sender.
// Which window each event goes to is tested against the ConversationList alone.
#include "app/zepim_view.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "session/client_connection.h"
#include "tests/support/fake_server.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QApplication>
#include <gtest/gtest.h>
#include <memory>

namespace zep {
namespace {

using conversations::MessageWindow;
using test::Event;
using test::Reply;

class ConversationOrder : public ::testing::Test
{
protected:
    // Greeting, the user's logon, the view's fill (Ben is a contact and online), then the
    // case's own steps.
    void Serve(const std::function<void(test::FakeServer&)>& steps)
    {
        server.Send("S 220 ready\r\n")
            .Answer(Reply({"250-9:Me:me%40x.org", "250 OK"}))
            .Answer(Reply({"1:Ben:ben%40x.org", "250 OK"}))
            .Answer(Reply({"250-ben%40x.org:AVAILABLE" + std::string(14, ':'), "250 OK"}))
            .Answer(Reply({"250 0"}));
        steps(server);
        server.Hold();
        server.Start();
        ConnectSettings where;
        where.server = "127.0.0.1";
        where.port = server.Port();
        ASSERT_EQ(connection.Connect(where), 0);
        ASSERT_EQ(connection.Logon("me@x.org", "pw"), LogonAnswer::Accepted);
        view = std::make_unique<CZepimView>(connection, nullptr, 1);
        ASSERT_TRUE(test::WaitUntil([&] { return view->Filled(); }));
    }
    void TearDown() override
    {
        server.Release();
        if (view)
            view->Shutdown();
        // The windows outlive the view (they stay with the user); this test closes them.
        std::vector<QPointer<MessageWindow>> windows;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<MessageWindow*>(w))
                windows.emplace_back(window);
        for (const QPointer<MessageWindow>& window : windows)
            delete window.data();
    }
    static std::string History(const MessageWindow* w)
    {
        return w->History()->toPlainText().toStdString();
    }
    int WindowsFor(const std::string& sessionId) const
    {
        int n = 0;
        for (MessageWindow* w : view->Conversations())
            n += w->GetSessionId() == sessionId ? 1 : 0;
        return n;
    }

    test::ScratchHome home;
    test::FakeServer server;
    ClientConnection connection;
    std::unique_ptr<CZepimView> view;
};

TEST_F(ConversationOrder, ASessionWrittenBeforeTheInviteReplyGivesOneWindow)
{
    Serve([](test::FakeServer& s) {
        s.ReadRequest().Send(Event({"SESSION", "SessionId: s1", "Email: me@x.org,ben@x.org"}) +
                             Reply({"250 s1"}));
    });
    view->StartConversation(u"ben@x.org");
    ASSERT_TRUE(test::WaitUntil([&] { return view->FindConversation("s1") != nullptr; }));
    // A later start proves the SESSION event has been handled too.
    view->StartConversation(u"ben@x.org");
    ASSERT_TRUE(test::WaitUntil([&] { return server.Requests().size() >= 5; }));
    EXPECT_EQ(server.Requests()[4], "INVITE\r\nEmail: ben@x.org\r\n.\r\n");
    ASSERT_TRUE(test::WaitUntil([&] { return view->FindConversation("s1")->isVisible(); }));
    EXPECT_EQ(WindowsFor("s1"), 1);
    EXPECT_EQ(server.Requests().size(), 5u) << "the open window was raised, not invited again";
}

TEST_F(ConversationOrder, AMessageRightAfterItsSessionFindsItsWindowWhileTheDirectoryIsSlow)
{
    Serve([](test::FakeServer& s) {
        s.Send(Event({"SESSION", "SessionId: s2", "Email: stranger@y.org"}) +
               Event({"MESSAGE", "SessionId: s2", "From: stranger@y.org", "", "hello there"}));
        // The directory takes its time over the stranger's name.
        s.ReadRequest().Hold().Send(Reply({"7:Sam Stranger:stranger%40y.org", "250 OK"}));
    });
    ASSERT_TRUE(test::WaitUntil([&] { return server.Requests().size() >= 5; }));
    EXPECT_EQ(server.Requests()[4], "LIST USERS\r\nEmail: stranger@y.org\r\n.\r\n");
    server.Release();
    MessageWindow* window = nullptr;
    ASSERT_TRUE(test::WaitUntil([&] {
        window = view->FindConversation("s2");
        return window && History(window).find("hello there") != std::string::npos;
    }));
    EXPECT_EQ(WindowsFor("s2"), 1);
    ASSERT_TRUE(test::WaitUntil([&] { return window->ToLine().contains("Sam Stranger"); }))
        << window->ToLine().toStdString();
}

} // namespace
} // namespace zep
