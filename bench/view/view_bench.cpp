// The logged-on view under load and at rest.
//   view_bench burst [contacts] [events]: the view's own dispatch applies a burst of PRESENCE
//     events to a shown list of that many contacts; prints events applied per second, with
//     the window painted along the way.
//   view_bench filter [contacts]: types a name into the contact filter, one key at a time, then
//     takes it back; prints the time per keystroke until the list is filtered and painted.
//   view_bench idle PORT [seconds]: logs on to a zep-devserver on 127.0.0.1:PORT as
//     anna@example.com and prints the process CPU time spent while the view sits idle.
#include "app/main_frame.h"
#include "app/zepim_view.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

using namespace zep;

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::u16string U(const std::string& s)
{
    return QString::fromStdString(s).toStdU16String();
}

void Spin(std::chrono::milliseconds span)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < span.count())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// No server: the view's reader finds the connection closed and stops; the list is filled here
// as creation would fill it.
void Fill(CZepimView& view, int contacts)
{
    view.resize(320, 700);
    view.show();
    Spin(std::chrono::milliseconds(200));
    for (int i = 0; i < contacts; ++i) {
        contacts::CContactDisplay row;
        row.Contact.name = U("Contact " + std::to_string((i * 7919) % contacts));
        row.Contact.email = U("c" + std::to_string(i) + "@example.com");
        row.Contact.status = i % 2 ? PresenceStatus::Available : PresenceStatus::Unavailable;
        row.Kind = i % 2 ? contacts::ContactDisplayKind::OnlineContact
                         : contacts::ContactDisplayKind::OfflineContact;
        row.Indent = 1;
        row.Label = row.Contact.name;
        view.List()->AddDisplay(row, false);
    }
    view.List()->RefreshList();
    QCoreApplication::processEvents();
}

int Burst(int contacts, int events)
{
    ClientConnection connection;
    CZepimView view(connection, nullptr, 0);
    Fill(view, contacts);
    static const char16_t* const subs[] = {u"", u"TA", u"XA", u"DND", u"PHONE", u"LUNCH"};
    std::vector<ServerEvent> burst;
    for (int i = 0; i < events; ++i) {
        const int who = (i * 37) % contacts;
        burst.push_back(
            ServerEvent{{u"PRESENCE", u"Email: " + U("c" + std::to_string(who) + "@example.com"),
                         i % 3 ? u"Status: AVAILABLE" : u"Status: UNAVAILABLE",
                         std::u16string(u"SubStatus: ") + subs[i % 6], u"CustomStatus: busy day",
                         u"ContactMethod: WORKSMS", u"WorkMobile: +44 7700 900101"}});
    }
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < events; ++i) {
        view.Dispatch(burst[i]);
        // The window keeps painting during the burst, as it does between queued events.
        if (i % 100 == 99)
            QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%d PRESENCE events on %d contacts: %.1f ms, %.0f events/s\n", events, contacts,
                seconds * 1000, events / seconds);
    return 0;
}

int Filter(int contacts)
{
    ClientConnection connection;
    CZepimView view(connection, nullptr, 0);
    Fill(view, contacts);
    std::vector<double> ms;
    const auto key = [&](const std::function<void()>& press) {
        QElapsedTimer t;
        t.start();
        press();
        view.repaint(); // the filtered list painted, as the next frame would show it
        QCoreApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
    };
    const QString typed = QStringLiteral("contact 19");
    for (int round = 0; round < 5; ++round) {
        for (const QChar c : typed)
            key([&] { view.Filter()->Continue(c); });
        for (int i = 0; i < typed.size(); ++i)
            key([&] { view.Filter()->backspace(); });
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%zu keystrokes filtering %d contacts: median %.2f ms, p90 %.2f ms, max %.2f ms\n",
                ms.size(), contacts, ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back());
    return 0;
}

int Idle(int port, int seconds)
{
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, port);
    s.WriteText(setting::Email, "anna@example.com");
    s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("anna123")));
    s.WriteInt(setting::SavePassword, 1);
    ClientConnection connection;
    FrameOptions options;
    options.trayIcon = false;
    CMainFrame frame(connection, options);
    frame.show();
    frame.StartFirstView(true);
    QElapsedTimer wait;
    wait.start();
    while (frame.CurrentView() != ViewKind::Main && wait.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (frame.CurrentView() != ViewKind::Main) {
        std::fprintf(stderr, "no logon\n");
        return 1;
    }
    Spin(std::chrono::milliseconds(500));
    const double before = CpuSeconds();
    QElapsedTimer t;
    t.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double used = CpuSeconds() - before;
    std::printf("idle for %.1f s logged on: %.3f s CPU (%.3f%% of one core)\n",
                t.elapsed() / 1000.0, used, 100.0 * used / (t.elapsed() / 1000.0));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "burst";
    if (mode == "idle" && argc > 2)
        return Idle(std::atoi(argv[2]), argc > 3 ? std::atoi(argv[3]) : 60);
    if (mode == "filter")
        return Filter(argc > 2 ? std::atoi(argv[2]) : 2000);
    return Burst(argc > 2 ? std::atoi(argv[2]) : 2000, argc > 3 ? std::atoi(argv[3]) : 5000);
}
