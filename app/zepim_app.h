// The application object: brings the messenger up in a fixed order and takes it down along one
// exit path (tray "Exit", SIGTERM, end of the desktop session).
#pragma once

#include "app/app_options_host.h"
#include "app/main_frame.h"
#include "app/single_instance.h"
#include "desktop/activity_library.h"
#include "session/client_connection.h"
#include "ui/icon_text.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace zep {

class CZepimApp : public QObject
{
    Q_OBJECT
public:
    // Start() result that means: run the event loop.
    static constexpr int kRun = -1;

    struct Hooks
    {
        FrameOptions frame;
        // The local RPC service; started last, stopped first.
        std::function<void()> startRpc;
        std::function<void()> stopRpc;
    };

    explicit CZepimApp(QApplication& app, Hooks hooks = {});
    ~CZepimApp() override;

    // The start-up steps. kRun to enter the event loop, else the process's exit code.
    int Start();
    // Ends the program: the open conversations are left first (at most two seconds), then
    // everything goes in its shutdown order.
    void Exit();

    CMainFrame* Frame() const { return m_frame.get(); }
    ClientConnection& Connection() { return m_connection; }
    const ActivityLibrary& Activity() const { return m_activity; }

private:
    bool LoadActivityMonitor();
    void FirstRun();
    void ShowForSecondCopy();
    void WatchTerminationSignals();
    void Fail(const QString& message);
    void ExitNow();

    QApplication& m_app;
    Hooks m_hooks;
    std::unique_ptr<CSingleInstance> m_instance;
    ClientConnection m_connection;
    ActivityLibrary m_activity;
    std::unique_ptr<ActivityInputFilter> m_inputFilter;
    CIconTextFollowsTitle m_iconText;
    std::unique_ptr<CMainFrame> m_frame;
    QPointer<QWidget> m_wizard;
    std::unique_ptr<AppOptionsHost> m_optionsHost;
    QPointer<QWidget> m_options;
    std::unique_ptr<QSocketNotifier> m_signalNotifier;
    bool m_exited = false;
    bool m_leaving = false;
};

} // namespace zep
