// The hand-over from the event reader to the UI thread under a flood from a scripted server:
// what waits stays bounded, PRESENCE of one address is applied once with its last fields,
// nothing moves across a SESSION, a request made during the flood completes, and the real
// view's list ends in the state the last event of each contact describes.
#include "app/zepim_view.h"
#include "session/client_connection.h"
#include "session/view_session.h"
#include "tests/support/fake_server.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QApplication>
#include <atomic>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <random>

namespace zep {
namespace {

using test::Event;
using test::Reply;

constexpr int kContacts = 40;

std::string Address(int i)
{
    return "c" + std::to_string(i) + "@x.org";
}

std::string Presence(int contact, int serial)
{
    // The custom text names the event, so the test knows which one the list shows.
    const bool online = serial % 3 != 0;
    return Event({"PRESENCE", "Email: " + Address(contact),
                  std::string("Status: ") + (online ? "AVAILABLE" : "UNAVAILABLE"),
                  "CustomStatus: e" + std::to_string(serial)});
}

// Greeting and logon, then the fill: every contact listed and subscribed (two batches).
void ScriptLogonAndFill(test::FakeServer& server)
{
    std::vector<std::string> listed;
    server.Send("S 220 ready\r\n").Answer(Reply({"250-9:Me:me%40x.org", "250 OK"}));
    std::string list;
    for (int i = 0; i < kContacts; ++i)
        list += "S " + std::to_string(i + 1) + ":C" + std::to_string(i) + ":c" + std::to_string(i) +
                "%40x.org\r\n";
    server.Answer(list + "S 250 OK\r\nS .\r\n");
    for (int batch = 0; batch < (kContacts + 19) / 20; ++batch)
        server.Answer(Reply({"250 OK"}));
    server.Answer(Reply({"250 0"}));
}

struct Flood
{
    std::string bytes;
    // What the list must show at each SESSION marker, and at the end: custom text by address.
    std::vector<std::map<std::string, std::string>> atMarker;
    std::map<std::string, std::string> last;
};

Flood MakeFlood(int events, int markerEvery)
{
    Flood flood;
    std::mt19937 random(7);
    for (int serial = 1; serial <= events; ++serial) {
        const int contact = static_cast<int>(random() % kContacts);
        flood.bytes += Presence(contact, serial);
        flood.last[Address(contact)] = "e" + std::to_string(serial);
        if (serial % markerEvery == 0) {
            flood.bytes += Event({"SESSION", "SessionId: m" + std::to_string(flood.atMarker.size()),
                                  "Email: me@x.org"});
            flood.atMarker.push_back(flood.last);
        }
    }
    return flood;
}

class HandOver : public ::testing::Test
{
protected:
    void Connect()
    {
        server.Start();
        ConnectSettings where;
        where.server = "127.0.0.1";
        where.port = server.Port();
        ASSERT_EQ(connection.Connect(where), 0);
        ASSERT_EQ(connection.Logon("me@x.org", "pw"), LogonAnswer::Accepted);
    }
    void TearDown() override { server.Release(); }
    // Released once: the script goes on past its Hold.

    test::ScratchHome home;
    test::FakeServer server;
    ClientConnection connection;
};

TEST_F(HandOver, AFloodWaitsBoundedMergesPresenceKeepsOrderAndLetsARequestThrough)
{
    const Flood flood = MakeFlood(60000, 2500);
    ScriptLogonAndFill(server);
    // Once released: the flood in one send, the answer to the keep-alive the test makes
    // meanwhile, and an end marker.
    server.Hold()
        .Send(flood.bytes)
        .Answer(Reply({"250 5"}))
        .Send(Event({"SESSION", "SessionId: end", "Email: me@x.org"}));
    std::map<std::string, std::string> shown;
    std::vector<std::map<std::string, std::string>> atMarker;
    int presenceApplied = 0;
    bool ended = false;
    bool filled = false;
    ViewSession::Handlers handlers;
    handlers.filled = [&](const ViewFill&) { filled = true; };
    handlers.event = [&](const ServerEvent& event) {
        if (ServerEventKind(event) == EventKind::Presence) {
            ++presenceApplied;
            shown[QString::fromStdU16String(HeaderValue(event, u"Email", 256)).toStdString()] =
                QString::fromStdU16String(HeaderValue(event, u"CustomStatus", 128)).toStdString();
        } else if (HeaderValue(event, u"SessionId", 65) == u"end") {
            ended = true;
        } else {
            atMarker.push_back(shown);
        }
    };
    Connect();
    ViewSession session(connection, handlers);
    session.Start();
    ASSERT_TRUE(test::WaitUntil([&] { return filled; }));
    server.Release();
    std::optional<long long> mail;
    session.Request<long long>(
        [](ImConnection& conn) {
            long long count = -1;
            ImKeepAlive(conn, 0, count);
            return count;
        },
        &session, [&](long long count) { mail = count; }, -2LL);
    ASSERT_TRUE(test::WaitUntil([&] { return ended; }, std::chrono::seconds(60)));
    session.Stop();

    EXPECT_EQ(mail, 5) << "the request made during the flood completed";
    EXPECT_EQ(shown, flood.last);
    EXPECT_EQ(atMarker, flood.atMarker) << "nothing moved across a SESSION";
    EXPECT_LE(session.MostWaiting(), kMaxWaitingEvents);
    EXPECT_LT(presenceApplied, 60000) << "presence of one address waiting twice is merged";
}

TEST_F(HandOver, EventsThatCannotMergeStopTheReaderInsteadOfPilingUp)
{
    constexpr int kEvents = 40000;
    std::string bytes;
    for (int i = 1; i <= kEvents; ++i)
        bytes += Event({"NEW MAIL", "Recent: " + std::to_string(i)});
    ScriptLogonAndFill(server);
    server.Hold().Send(bytes);
    int last = 0;
    bool inOrder = true;
    bool filled = false;
    ViewSession::Handlers handlers;
    handlers.filled = [&](const ViewFill&) { filled = true; };
    handlers.event = [&](const ServerEvent& event) {
        // A UI slower than the wire, as a busy one is.
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(20);
        while (std::chrono::steady_clock::now() < until) {
        }
        const int recent = QString::fromStdU16String(HeaderValue(event, u"Recent", 16)).toInt();
        inOrder = inOrder && recent == last + 1;
        last = recent;
    };
    Connect();
    ViewSession session(connection, handlers);
    session.Start();
    ASSERT_TRUE(test::WaitUntil([&] { return filled; }));
    server.Release();
    ASSERT_TRUE(test::WaitUntil([&] { return last == kEvents; }, std::chrono::seconds(60)));
    session.Stop();
    EXPECT_TRUE(inOrder);
    EXPECT_LE(session.MostWaiting(), kMaxWaitingEvents);
}

// Every request is answered exactly once and in order, even when the session stops before its
// turn, and the answers still arrive after the session itself is gone.
TEST_F(HandOver, EveryRequestIsAnsweredOnceWhateverTheWorkerIsDoingAtStop)
{
    struct Row
    {
        const char* name;
        int answered; // requests the server answers before the stop
        bool held;    // one more request waits for a reply that never comes
        int queued;   // requests queued behind it
        int late;     // requests made after the stop
        std::vector<ImResult> expected;
    };
    const ImResult closed = ImResult::ConnectionClosed;
    const std::vector<Row> rows = {
        {"idle worker", 2, false, 0, 0, {ImResult::Ok, ImResult::Ok}},
        {"worker blocked on a held request", 0, true, 3, 0, {closed, closed, closed, closed}},
        {"request made after the stop", 1, false, 0, 2, {ImResult::Ok, closed, closed}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeServer server;
        ScriptLogonAndFill(server);
        for (int i = 0; i < row.answered; ++i)
            server.Answer(Reply({"250 0"}));
        server.Hold();
        server.Start();
        ClientConnection connection;
        ConnectSettings where;
        where.server = "127.0.0.1";
        where.port = server.Port();
        ASSERT_EQ(connection.Connect(where), 0);
        ASSERT_EQ(connection.Logon("me@x.org", "pw"), LogonAnswer::Accepted);
        bool filled = false;
        ViewSession::Handlers handlers;
        handlers.filled = [&](const ViewFill&) { filled = true; };
        auto session = std::make_unique<ViewSession>(connection, handlers);
        session->Start();
        ASSERT_TRUE(test::WaitUntil([&] { return filled; }));

        QObject owner;
        std::vector<std::pair<int, ImResult>> answers;
        std::atomic<bool> sent{false};
        int made = 0;
        const auto request = [&] {
            const int index = made++;
            session->Request<ImResult>(
                [&sent](ImConnection& conn) {
                    sent = true;
                    long long count = 0;
                    return ImKeepAlive(conn, 0, count);
                },
                &owner, [&answers, index](ImResult r) { answers.emplace_back(index, r); });
        };
        for (int i = 0; i < row.answered; ++i)
            request();
        ASSERT_TRUE(test::WaitUntil([&] { return static_cast<int>(answers.size()) == made; }));
        if (row.held) {
            sent = false;
            request();
            ASSERT_TRUE(test::WaitUntil([&] { return sent.load(); }));
        }
        for (int i = 0; i < row.queued; ++i)
            request();
        session->Stop();
        for (int i = 0; i < row.late; ++i)
            request();
        session.reset(); // before the UI thread took the answers
        test::WaitUntil([&] { return false; }, std::chrono::milliseconds(200));

        std::vector<ImResult> got;
        for (std::size_t i = 0; i < answers.size(); ++i) {
            EXPECT_EQ(answers[i].first, static_cast<int>(i)) << "answered in order, once each";
            got.push_back(IsTransportFailure(answers[i].second) ? closed : answers[i].second);
        }
        EXPECT_EQ(got, row.expected);
        server.Release();
    }
}

TEST_F(HandOver, TheRealViewEndsInTheStateOfEachContactsLastEvent)
{
    const Flood flood = MakeFlood(20000, 1 << 30); // no markers: presence only
    ScriptLogonAndFill(server);
    server.Hold().Send(flood.bytes + Event({"NEW MAIL", "Recent: 77"}));
    Connect();
    CZepimView view(connection, nullptr, 1);
    ASSERT_TRUE(test::WaitUntil([&] { return view.Filled(); }));
    server.Release();
    ASSERT_TRUE(test::WaitUntil([&] { return view.List()->Engine().MailCount() == 77; },
                                std::chrono::seconds(60)));
    std::map<std::string, std::string> shown;
    for (int i = 0; i < kContacts; ++i) {
        const ContactRecord r =
            view.FindContact(QString::fromStdString(Address(i)).toStdU16String());
        if (!r.customStatus.empty())
            shown[Address(i)] = QString::fromStdU16String(r.customStatus).toStdString();
        // The kind follows the last status too.
        const auto* row = view.List()->FindByEmail(r.email);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->Kind == contacts::ContactDisplayKind::OnlineContact,
                  r.status == PresenceStatus::Available);
    }
    EXPECT_EQ(shown, flood.last);
    view.Shutdown();
}

} // namespace
} // namespace zep
