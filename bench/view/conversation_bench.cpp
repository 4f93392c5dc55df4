// Conversation windows under load.
//   conversation_bench burst [messages] [off]: a scripted server writes that many MESSAGE events
//     for one session in one send to a logged-on view; prints the time until the last is in the
//     history and the longest stall of the UI thread meanwhile (a 5 ms timer's lateness), and,
//     with the conversation history kept (unless "off"), the time until the store holds them.
//   conversation_bench history [messages]: appends that many received messages to one window;
//     prints the time of the first and of the last thousand, and the resident memory added;
//     then the time to turn the colour scheme dark and light again under that history.
//   conversation_bench windows [count]: opens that many conversation windows with a little
//     history each; prints the resident memory added per window.
//   ZEP_BENCH_DARK=1 runs any of them on a dark palette, where every coloured line is redrawn
//     readable as it comes in.
#include "app/zepim_view.h"
#include "conversations/conversation_host.h"
#include "conversations/message_parts.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "session/client_connection.h"
#include "session/history_store.h"
#include "session/settings.h"
#include "tests/support/fake_server.h"
#include "ui/colour_scheme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

using namespace zep;
using conversations::MessageWindow;

namespace {

double ResidentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1024 * 1024);
}

// A host without a server: what the windows ask is answered at once.
class QuietHost final : public conversations::ConversationHost
{
public:
    ContactRecord OwnRecord() const override
    {
        ContactRecord own;
        own.email = u"me@example.com";
        own.name = u"Me";
        return own;
    }
    ContactRecord LookupParticipant(const std::u16string& email, QObject*,
                                    std::function<void(const ContactRecord&)>) override
    {
        ContactRecord r;
        r.email = email;
        r.name = email.substr(0, email.find(u'@'));
        return r;
    }
    void SendInstantMessage(std::string, std::string, QObject*,
                            std::function<void(ImResult, std::vector<MessageFailure>)>) override
    {
    }
    void InviteToSession(std::string, std::u16string, QObject*,
                         std::function<void(ImResult)>) override
    {
    }
    void ListBlocked(QObject*, std::function<void(ImResult, std::vector<ContactRecord>)>) override
    {
    }
    void BlockContact(const ContactRecord&) override {}
    std::unique_ptr<contacts::CContactDisplayList> OnlineContacts() const override
    {
        return std::make_unique<contacts::CContactDisplayList>();
    }
    std::optional<contacts::CContactDisplay> FindContactRow(const std::u16string&) const override
    {
        return std::nullopt;
    }
    void ConversationClosed(MessageWindow* window) override { window->deleteLater(); }
    void ShowHelp(int) override {}
    void ShowAbout() override {}
};

// A received message as the other clients send it: plain and rich parts.
std::vector<std::u16string> MessageLines(const std::string& session, int n)
{
    std::tm now{};
    now.tm_year = 126;
    now.tm_mday = 7;
    now.tm_mon = 11;
    const std::string text = "message number " + std::to_string(n) + " with some words in it";
    const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                            "{\\colortbl ;\\red0\\green0\\blue255;}\\viewkind4\\uc1\\pard\\cf1 " +
                            text + "\\par }";
    const conversations::MessageParts parts =
        conversations::BuildMessageParts(session, text, rtf, now);
    std::vector<std::u16string> lines{
        u"MESSAGE", u"SessionId: " + QString::fromStdString(session).toStdU16String(),
        u"From: bob@example.com"};
    for (const QString& line :
         QString::fromStdString(parts.headers + "\r\n" + parts.body).split(QStringLiteral("\r\n")))
        lines.push_back(line.toStdU16String());
    return lines;
}

std::string Framed(const std::vector<std::u16string>& lines)
{
    std::string out;
    for (const std::u16string& line : lines) {
        const std::string utf8 = QString::fromStdU16String(line).toStdString();
        out += "A " + (utf8.rfind(".", 0) == 0 ? "." + utf8 : utf8) + "\r\n";
    }
    return out + "A .\r\n";
}

int Burst(int messages, bool keepHistory)
{
    Settings().WriteInt(setting::KeepHistory, keepHistory ? 1 : 0);
    std::string events =
        Framed({u"SESSION", u"SessionId: s1", u"Email: me@example.com,bob@example.com"});
    for (int i = 0; i < messages; ++i)
        events += Framed(MessageLines("s1", i));
    test::FakeServer server;
    server.Send("S 220 ready\r\n")
        .Answer(test::Reply({"250-9:Me:me%40example.com", "250 OK"}))
        .Answer(test::Reply({"1:Bob:bob%40example.com", "250 OK"}))
        .Answer(test::Reply({"250 OK"}))
        .Answer(test::Reply({"250 0"}))
        .Hold()
        .Send(events)
        .Hold();
    server.Start();
    ClientConnection connection;
    ConnectSettings where;
    where.server = "127.0.0.1";
    where.port = server.Port();
    if (connection.Connect(where) != 0 ||
        connection.Logon("me@example.com", "pw") != LogonAnswer::Accepted) {
        std::fprintf(stderr, "no connection\n");
        return 1;
    }
    CZepimView view(connection, nullptr, 1);
    while (!view.Filled())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    qint64 worstLateness = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstLateness = std::max(worstLateness, sinceTick.elapsed() - 5);
        sinceTick.restart();
    });
    probe.start(5);
    QElapsedTimer timer;
    timer.start();
    server.Release();
    const std::string last = "message number " + std::to_string(messages - 1) + " ";
    MessageWindow* window = nullptr;
    while (timer.elapsed() < 30000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        window = view.FindConversation("s1");
        if (window && window->History()->toPlainText().contains(QString::fromStdString(last)))
            break;
    }
    const qint64 took = timer.elapsed();
    probe.stop();
    std::printf("%d MESSAGE events in one send, history %s: last one in the history after %lld "
                "ms; longest UI stall %lld ms\n",
                messages, keepHistory ? "kept" : "off", static_cast<long long>(took),
                static_cast<long long>(worstLateness));
    if (history::Store* store = view.History()) {
        store->Flush();
        const auto stored = store->Recent(QStringLiteral("bob@example.com"), messages + 1);
        std::printf("stored: %zu messages after %lld ms\n", stored.size(),
                    static_cast<long long>(timer.elapsed()));
    }
    view.Shutdown();
    delete window;
    return 0;
}

int History(int messages)
{
    QuietHost host;
    MessageWindow window(host, "s1");
    window.AddParticipant(u"me@example.com", u"Me");
    window.AddParticipant(u"bob@example.com", u"Bob");
    window.resize(300, 380);
    window.show();
    QCoreApplication::processEvents();
    const double before = ResidentMiB();
    std::vector<std::vector<std::u16string>> bodies;
    for (int i = 0; i < messages; ++i)
        bodies.push_back(MessageLines("s1", i));
    const double afterBodies = ResidentMiB();
    QElapsedTimer timer;
    double firstThousand = 0, lastThousand = 0;
    for (int i = 0; i < messages; ++i) {
        if (i % 1000 == 0)
            timer.restart();
        window.OnMessage(u"bob@example.com", bodies[i]);
        if (i % 100 == 99)
            QCoreApplication::processEvents();
        if (i % 1000 == 999) {
            const double ms = timer.nsecsElapsed() / 1e6;
            if (i == 999)
                firstThousand = ms;
            lastThousand = ms;
        }
    }
    QCoreApplication::processEvents();
    bodies.clear();
    std::printf("%d messages in one history: first 1000 %.1f ms, last 1000 %.1f ms (%.2fx); "
                "resident memory added %.1f MiB\n",
                messages, firstThousand, lastThousand, lastThousand / firstThousand,
                ResidentMiB() - before - (afterBodies - before));
    // The desktop turns dark (or light again) under the long history: every colour redrawn.
    for (int turn = 0; turn < 2; ++turn) {
        const QPalette now = QApplication::palette();
        timer.restart();
        QApplication::setPalette(IsDarkPalette(now) ? QPalette() : DarkPalette(now));
        QCoreApplication::processEvents();
        std::printf("the scheme turned %s under it in %.1f ms\n",
                    IsDarkPalette(now) ? "light" : "dark", timer.nsecsElapsed() / 1e6);
    }
    return 0;
}

int Windows(int count)
{
    QuietHost host;
    std::vector<std::unique_ptr<MessageWindow>> windows;
    // One window first, so that what every window shares (fonts, styles) is not counted.
    windows.push_back(std::make_unique<MessageWindow>(host, "warm"));
    windows.back()->show();
    QCoreApplication::processEvents();
    const double before = ResidentMiB();
    for (int i = 0; i < count; ++i) {
        auto window = std::make_unique<MessageWindow>(host, "s" + std::to_string(i));
        window->AddParticipant(u"me@example.com", u"Me");
        window->AddParticipant(u"bob@example.com", u"Bob");
        window->show();
        for (int m = 0; m < 5; ++m)
            window->OnMessage(u"bob@example.com", MessageLines(window->GetSessionId(), m));
        windows.push_back(std::move(window));
        QCoreApplication::processEvents();
    }
    const double added = ResidentMiB() - before;
    std::printf("%d conversation windows: %.1f MiB added, %.2f MiB per window\n", count, added,
                added / count);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (qEnvironmentVariableIntValue("ZEP_BENCH_DARK") != 0)
        QApplication::setPalette(DarkPalette(QApplication::palette()));
    const std::string mode = argc > 1 ? argv[1] : "burst";
    const int n = argc > 2 ? std::atoi(argv[2]) : 0;
    if (mode == "history")
        return History(n > 0 ? n : 10000);
    if (mode == "windows")
        return Windows(n > 0 ? n : 50);
    return Burst(n > 0 ? n : 1000, !(argc > 3 && std::string(argv[3]) == "off"));
}
