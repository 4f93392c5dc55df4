// zepim: the ZEP Instant Messenger.
#include "rpc_service.h"
#include "zepim_app.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
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
    if (result != zep::CZepimApp::kRun)
        return result;
    return app.exec();
}
