// A logged-on main frame against a real zep-devserver, for the end-to-end tests of the view.
#pragma once

#include "app/main_frame.h"
#include "app/views.h"
#include "app/zepim_view.h"
#include "child_process.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "demo_account.h"
#include "protocol/framing.h"
#include "protocol/requests.h"
#include "qt_wait.h"
#include "scratch_home.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "transport/im_connection.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace zep {

using namespace std::chrono_literals;
using contacts::ContactDisplayKind;

class DevServer
{
public:
    explicit DevServer(std::vector<std::string> extra = {})
    {
        std::vector<std::string> args{ZEP_DEVSERVER_BINARY, "--port", "0", "--tls-port", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        if (!m_process.Start(args))
            return;
        const std::string line = m_process.WaitForOutput("listening on");
        std::smatch m;
        if (std::regex_search(line, m, std::regex(R"(listening on (\S+):(\d+))")))
            m_port = std::stoi(m[2]);
    }
    int Port() const { return m_port; }

private:
    test::ChildProcess m_process;
    int m_port = 0;
};

class ViewE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_GT(server.Port(), 0);
        CurrentViewTiming().activityTick = [this] { return tick.load(); };
        test::SaveDemoAccount(server.Port());
        FrameOptions options;
        options.reconnect = ReconnectPolicy::Fixed(100ms);
        options.trayIcon = false;
        frame = std::make_unique<CMainFrame>(connection, options);
        frame->show();
        frame->StartFirstView(true);
        ASSERT_TRUE(test::WaitUntil([&] { return frame->CurrentView() == ViewKind::Main; }));
        view = qobject_cast<CZepimView*>(frame->View());
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(test::WaitUntil([&] { return view->Filled(); }));
    }
    void TearDown() override
    {
        frame.reset();
        CurrentViewTiming() = ViewTiming{};
        test::CloseConversationWindows();
    }
    conversations::MessageWindow* OnlyConversation() const
    {
        const auto open = view->Conversations();
        return open.size() == 1 ? open.front() : nullptr;
    }
    static std::string HistoryOf(const conversations::MessageWindow* w)
    {
        return w->History()->toPlainText().toStdString();
    }
    // The next event of `kind` on another user's connection, within `limit`.
    static std::optional<ServerEvent> NextEvent(ClientConnection& who, EventKind kind,
                                                std::chrono::milliseconds limit = 5s)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            ImConnection& conn = *who.Connection();
            ImWaitEvent(conn, 1);
            LineList lines;
            std::lock_guard app(who.AppLock());
            if (ImReadEvent(conn, lines) != ImResult::Ok)
                continue;
            ServerEvent event = ServerEventFromLines(lines);
            if (ServerEventKind(event) == kind)
                return event;
        }
        return std::nullopt;
    }

    // A second user on a connection of its own.
    std::unique_ptr<ClientConnection> LogOn(const std::string& email, const std::string& password)
    {
        auto other = std::make_unique<ClientConnection>();
        ConnectSettings where;
        where.server = "127.0.0.1";
        where.port = static_cast<std::uint16_t>(server.Port());
        if (other->Connect(where) != 0 || other->Logon(email, password) != LogonAnswer::Accepted)
            return nullptr;
        return other;
    }

    std::string Shown() const
    {
        std::string out;
        QAbstractItemModel* m = view->List()->model();
        for (int i = 0; i < m->rowCount(); ++i)
            out += m->data(m->index(i, 0)).toString().toStdString() + "\n";
        return out;
    }
    ContactDisplayKind KindOf(const std::u16string& email) const
    {
        const auto* row = view->List()->FindByEmail(email);
        return row ? row->Kind : ContactDisplayKind::InfoRow;
    }

    // The server's outbox, where the offline messages it accepts land.
    static QString OutboxOf(const test::ScratchHome& home)
    {
        const QString dir = home.Path() + "/outbox";
        QDir().mkpath(dir);
        return dir;
    }

    test::ScratchHome home;
    DevServer server{{"--outbox", OutboxOf(home).toStdString()}};
    ClientConnection connection;
    std::unique_ptr<CMainFrame> frame;
    CZepimView* view = nullptr;
    std::atomic<std::uint32_t> tick{1000};
};

} // namespace zep
