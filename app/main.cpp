// zepim: the ZEP Instant Messenger.
#include "app/command_line.h"
#include "app/zepim_app.h"
#include "desktop/desktop_notifications.h"
#include "desktop/rpc_service.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // Before the application object, so --help works without a display.
    if (const auto answer = zep::AnswerCommandLine(std::vector<std::string>(argv, argv + argc))) {
        std::fputs(answer->text.c_str(), stdout);
        return answer->status;
    }
    QApplication app(argc, argv);
    // Notices go to the desktop's notification service; it outlives the application object.
    zep::CDesktopNotifications notifications(QDBusConnection::sessionBus());
    zep::SetNoticeSink([&notifications](const zep::Notice& notice) { notifications.Show(notice); });
    // The control service on the session bus: started once the frame is up, stopped before
    // anything else goes down.
    zep::CZepimApp* messenger = nullptr;
    zep::CZepimApp::Hooks hooks;
    hooks.startRpc = [&messenger] {
        if (messenger != nullptr && messenger->Frame() != nullptr)
            zep::StartRpcService(*messenger->Frame());
    };
    hooks.stopRpc = [] { zep::StopRpcService(); };
    zep::CZepimApp application(app, std::move(hooks));
    messenger = &application;
    const int result = application.Start();
    if (result != zep::CZepimApp::kRun) {
        zep::SetNoticeSink({});
        return result;
    }
    const int status = app.exec();
    zep::SetNoticeSink({});
    return status;
}
