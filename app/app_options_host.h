// The options dialog's host in the application: the frame's logged-on view does the server
// variables; the mail clients come from the desktop.
#pragma once

#include "desktop/options_host.h"

namespace zep {

class CMainFrame;

class AppOptionsHost final : public OptionsHost
{
public:
    explicit AppOptionsHost(CMainFrame& frame) : m_frame(frame) {}

    bool LoggedOn() const override;
    void FetchVariables(QObject* context,
                        std::function<void(ImResult, ServerVariables)> done) override;
    void StoreVariables(ServerVariables variables, QObject* context,
                        std::function<void(ImResult)> done) override;
    MailClientList MailClients() override { return EnumerateMailClients(); }
    QString Executable() const override;
    void DeleteHistory() override;
    void OptionsApplied() override;

private:
    CMainFrame& m_frame;
};

} // namespace zep
