// The add-contact wizard's search, through the real frame, view and wizard against a
// zep-devserver on loopback:
//   bench_wizard PORT EMAIL PASSWORD SEARCH [runs]
// logs on, opens the wizard, and for each run types SEARCH, presses Next and measures until the
// results page is filled, with a 5 ms timer on the UI thread whose worst lateness is the
// longest stall. Prints the median and worst times and the number of rows found.
#include "app/main_frame.h"
#include "app/views.h"
#include "app/zepim_view.h"
#include "contacts/add_contact_sheet.h"
#include "contacts/contact_list_ctrl.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zep;

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: bench_wizard PORT EMAIL PASSWORD SEARCH [runs]\n");
        return 2;
    }
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    const int runs = argc > 5 ? std::max(1, std::atoi(argv[5])) : 10;
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, std::atoi(argv[1]));
    s.WriteText(setting::Email, QString::fromUtf8(argv[2]));
    s.WriteText(setting::Password, QString::fromStdString(PasswordScramble(argv[3])));
    s.WriteInt(setting::SavePassword, 1);
    ClientConnection connection;
    FrameOptions options;
    options.trayIcon = false;
    CMainFrame frame(connection, options);
    frame.show();
    frame.StartFirstView(true);
    QElapsedTimer wait;
    wait.start();
    CZepimView* view = nullptr;
    while (wait.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        view = qobject_cast<CZepimView*>(frame.View());
        if (frame.CurrentView() == ViewKind::Main && view && view->Filled())
            break;
    }
    if (view == nullptr || !view->Filled()) {
        std::fprintf(stderr, "no logon\n");
        return 1;
    }
    std::vector<qint64> times;
    qint64 worstStall = 0;
    int rows = 0;
    for (int run = 0; run < runs; ++run) {
        frame.OnAddContact();
        contacts::CAddContactSheet* sheet = view->AddContactSheet();
        if (sheet == nullptr)
            return 1;
        sheet->SearchEdit()->setText(QString::fromUtf8(argv[4]));
        QCoreApplication::processEvents();
        QElapsedTimer sinceTick;
        qint64 lateness = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            lateness = std::max(lateness, sinceTick.elapsed() - 5);
            sinceTick.restart();
        });
        QElapsedTimer timer;
        timer.start();
        sinceTick.start();
        probe.start(5);
        sheet->Next();
        while (sheet->Searching() && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The page is filled when its first paint after the rows is done.
        sheet->repaint();
        times.push_back(timer.elapsed());
        // The time since the last tick counts too: the fill may have held the thread until now.
        lateness = std::max(lateness, sinceTick.elapsed() - 5);
        probe.stop();
        worstStall = std::max(worstStall, lateness);
        rows = sheet->Results()->ItemCount();
        sheet->Cancel();
        QCoreApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    std::printf("search \"%s\": %d rows; Next to filled results page: median %lld ms, worst %lld "
                "ms (%d runs); longest UI stall %lld ms\n",
                argv[4], rows, static_cast<long long>(times[times.size() / 2]),
                static_cast<long long>(times.back()), runs, static_cast<long long>(worstStall));
    view->Shutdown();
    return 0;
}
