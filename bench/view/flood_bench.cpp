// A flood of PRESENCE events from a scripted server over a socket, into the real logged-on
// view (offscreen):
//   bench_flood [events] [contacts]
// prints the resident memory the flood added (the most seen while it ran), the time until the
// list shows every contact's last state, the longest UI stall (a 5 ms timer's lateness), and
// events handed in per second of wall time.
#include "app/zepim_view.h"
#include "session/client_connection.h"
#include "session/view_session.h"
#include "tests/support/fake_server.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>

using namespace zep;

namespace {

double ResidentMiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096.0 / (1024 * 1024);
}

std::string Address(int i)
{
    return "user" + std::to_string(i) + "@example.com";
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    const int events = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300000;
    const int contacts = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2000;

    test::FakeServer server;
    server.Send("S 220 ready\r\n").Answer(test::Reply({"250-9:Me:me%40example.com", "250 OK"}));
    std::string list;
    for (int i = 0; i < contacts; ++i)
        list += "S " + std::to_string(i + 1) + ":User " + std::to_string(i) + ":user" +
                std::to_string(i) + "%40example.com\r\n";
    server.Answer(list + "S 250 OK\r\nS .\r\n");
    for (int batch = 0; batch < (contacts + 19) / 20; ++batch)
        server.Answer(test::Reply({"250 OK"}));
    server.Answer(test::Reply({"250 0"}));
    std::string flood;
    std::map<int, std::string> last;
    std::mt19937 random(11);
    const char* statuses[] = {"AVAILABLE", "UNAVAILABLE"};
    for (int serial = 1; serial <= events; ++serial) {
        const int contact = static_cast<int>(random() % contacts);
        last[contact] = "n" + std::to_string(serial);
        flood += test::Event(
            {"PRESENCE", "Email: " + Address(contact),
             std::string("Status: ") + statuses[serial % 2],
             "SubStatus: ", "CustomStatus: " + last[contact],
             "EmailState: ", "EmailMethod: ", "EmailTime: ", "ContactMethod: EMAIL",
             "HomeTel: ", "HomeMobile: ", "HomeFax: ", "WorkTel: +44 20 7946 0000",
             "WorkMobile: ", "WorkPager: ", "WorkFax: ", "Location: Building 7, floor 3"});
    }
    server.Hold().Send(flood);
    server.Start();
    ClientConnection connection;
    ConnectSettings where;
    where.server = "127.0.0.1";
    where.port = server.Port();
    if (connection.Connect(where) != 0 ||
        connection.Logon("me@example.com", "pw") != LogonAnswer::Accepted) {
        std::fprintf(stderr, "no logon\n");
        return 1;
    }
    CZepimView view(connection, nullptr, 1);
    view.resize(320, 700);
    view.show();
    while (!view.Filled())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double before = ResidentMiB();
    double most = before;
    qint64 worstLateness = 0;
    QElapsedTimer sinceTick;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        worstLateness = std::max(worstLateness, sinceTick.elapsed() - 5);
        sinceTick.restart();
        most = std::max(most, ResidentMiB());
    });
    const auto final = [&] {
        for (const auto& [contact, text] : last) {
            const ContactRecord r =
                view.FindContact(QString::fromStdString(Address(contact)).toStdU16String());
            if (QString::fromStdU16String(r.customStatus).toStdString() != text)
                return false;
        }
        return true;
    };
    QElapsedTimer timer;
    timer.start();
    sinceTick.start();
    probe.start(5);
    server.Release();
    int checks = 0;
    while (timer.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (++checks % 50 == 0 && final())
            break;
    }
    const qint64 took = timer.elapsed();
    worstLateness = std::max(worstLateness, sinceTick.elapsed() - 5);
    probe.stop();
    std::printf("%d PRESENCE events for %d contacts (%.1f MB on the wire): final state after "
                "%lld ms (%.0f events/s); resident memory +%.1f MiB at most; longest UI stall "
                "%lld ms; at most %zu events waited\n",
                events, contacts, flood.size() / 1e6, static_cast<long long>(took),
                events * 1000.0 / std::max<qint64>(took, 1), most - before,
                static_cast<long long>(worstLateness), view.MostWaiting());
    view.Shutdown();
    return 0;
}
