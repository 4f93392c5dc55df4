// Round trips of the control service over a session bus, as the mail-client add-in makes them.
//   bench_rpc [contacts] [calls]
// Starts a private dbus-daemon and zep-devserver with a user whose list holds that many
// contacts (default 2000), logs a main frame on, starts the service, and times blocking
// GetMessengerState and GetContactDetails calls from a thread of their own while the UI thread
// runs its ordinary event loop: once quietly, once while another thread holds the
// connection's AppLock for a second at a time (as a slow request does). Prints the median and
// the 99th percentile of each.
#include "app/main_frame.h"
#include "app/views.h"
#include "app/zepim_view.h"
#include "desktop/rpc_service.h"
#include "rpc/messenger_control.h"
#include "session/client_connection.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/child_process.h"
#include "tests/support/scratch_home.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

using namespace zep;
using namespace std::chrono_literals;

namespace {

std::string Address(int i)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "user%05d@example.com", i);
    return buffer;
}

std::string UsersJson(int contacts)
{
    std::string json = R"({"users": [{"id": 1, "email": "owner@example.com", "name": "Owner",
        "password": "owner-pw", "contacts": [)";
    for (int i = 0; i < contacts; ++i)
        json += (i ? ",\"" : "\"") + Address(i) + "\"";
    json += "]}";
    for (int i = 0; i < contacts; ++i)
        json += R"(, {"id": )" + std::to_string(i + 2) + R"(, "email": ")" + Address(i) +
                R"(", "name": "User )" + std::to_string(i) + R"(", "password": "x"})";
    return json + "]}";
}

struct Figures
{
    double medianUs = 0;
    double p99Us = 0;
    int failures = 0;
};

// `calls` blocking calls of `method` from this thread; the latencies' median and p99.
Figures Measure(const char* method, const QList<QVariant>& args, int calls)
{
    const QString name = QStringLiteral("bench-caller");
    Figures figures;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        QDBusMessage call = QDBusMessage::createMethodCall(
            QString::fromLatin1(rpc::kBusName), QString::fromLatin1(rpc::kObjectPath),
            QString::fromLatin1(rpc::kInterfaceName), QString::fromLatin1(method));
        call.setArguments(args);
        call.setAutoStartService(false);
        std::vector<double> us;
        us.reserve(calls);
        for (int i = 0; i < calls; ++i) {
            QElapsedTimer timer;
            timer.start();
            const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
            us.push_back(static_cast<double>(timer.nsecsElapsed()) / 1000.0);
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().value(0) != 0)
                ++figures.failures;
        }
        std::sort(us.begin(), us.end());
        figures.medianUs = us[us.size() / 2];
        figures.p99Us = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    }
    QDBusConnection::disconnectFromBus(name);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const int contacts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int calls = argc > 2 ? std::max(10, std::atoi(argv[2])) : 2000;
    qputenv("QT_QPA_PLATFORM", "offscreen");

    test::ChildProcess daemon;
    if (!test::StartSessionBus(daemon))
        return 1;

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    test::ScratchHome home;
    QTemporaryDir files;
    const std::string usersFile = files.filePath(QStringLiteral("users.json")).toStdString();
    std::ofstream(usersFile) << UsersJson(contacts);

    test::ChildProcess server;
    server.Start({ZEP_DEVSERVER_BINARY, "--port", "0", "--tls-port", "0", "--users", usersFile});
    std::smatch m;
    const std::string line = server.WaitForOutput("listening on");
    if (!std::regex_search(line, m, std::regex(R"(listening on (\S+):(\d+))"))) {
        std::fprintf(stderr, "zep-devserver did not start: %s\n", server.Output().c_str());
        return 1;
    }
    Settings s;
    s.WriteText(setting::Server, "127.0.0.1");
    s.WriteInt(setting::Port, std::stoi(m[2]));
    s.WriteText(setting::Email, "owner@example.com");
    s.WriteText(setting::Password, QString::fromStdString(PasswordScramble("owner-pw")));
    s.WriteInt(setting::SavePassword, 1);

    ClientConnection connection;
    FrameOptions options;
    options.trayIcon = false;
    auto frame = std::make_unique<CMainFrame>(connection, options);
    frame->show();
    frame->StartFirstView(true);
    QElapsedTimer waited;
    waited.start();
    const auto filled = [&] {
        auto* view = qobject_cast<CZepimView*>(frame->View());
        return frame->CurrentView() == ViewKind::Main && view && view->Filled();
    };
    while (!filled() && waited.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    if (!filled()) {
        std::fprintf(stderr, "no logon with %d contacts\n", contacts);
        return 1;
    }
    StartRpcService(*frame);
    if (!RpcServiceRunning()) {
        std::fprintf(stderr, "the service did not start\n");
        return 1;
    }

    const QList<QVariant> contact{QString::fromStdString(Address(contacts / 2))};
    struct Phase
    {
        const char* name;
        bool holdLock;
        Figures state, details;
    };
    std::vector<Phase> phases = {{"quiet", false, {}, {}}, {"AppLock held", true, {}, {}}};
    for (Phase& phase : phases) {
        std::atomic<bool> done{false};
        std::thread holder;
        if (phase.holdLock)
            holder = std::thread([&] {
                while (!done) {
                    std::unique_lock lock(connection.AppLock());
                    for (int i = 0; i < 100 && !done; ++i)
                        std::this_thread::sleep_for(10ms);
                    lock.unlock();
                    std::this_thread::sleep_for(1ms);
                }
            });
        QEventLoop loop;
        std::thread caller([&] {
            phase.state = Measure("GetMessengerState", {}, calls);
            phase.details = Measure("GetContactDetails", contact, calls);
            QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        });
        loop.exec();
        caller.join();
        done = true;
        if (holder.joinable())
            holder.join();
    }
    std::printf("MessengerControl over a session bus, %d contacts, %d calls each:\n", contacts,
                calls);
    for (const Phase& phase : phases)
        std::printf("  %-13s GetMessengerState median %.0f us p99 %.0f us; GetContactDetails "
                    "median %.0f us p99 %.0f us; failures %d\n",
                    phase.name, phase.state.medianUs, phase.state.p99Us, phase.details.medianUs,
                    phase.details.p99Us, phase.state.failures + phase.details.failures);
    StopRpcService();
    frame.reset();
    return 0;
}
