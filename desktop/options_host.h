// What the options dialog needs from the window that opens it (the main frame).
#pragma once

#include "common/im_result.h"
#include "desktop/mail_clients.h"
#include "protocol/server_variables.h"

#include <QString>
#include <functional>

class QObject;

namespace zep {

class OptionsHost
{
public:
    virtual ~OptionsHost() = default;

    // Whether a session with the server is open now.
    virtual bool LoggedOn() const = 0;

    // "GET VARIABLE" on the view's worker. `done` runs later on the UI thread, and only while
    // `context` lives; it is never called from inside this function.
    virtual void FetchVariables(QObject* context,
                                std::function<void(ImResult, ServerVariables)> done) = 0;

    // "SET VARIABLE" with these values, on the view's worker; `done` as for FetchVariables.
    virtual void StoreVariables(ServerVariables variables, QObject* context,
                                std::function<void(ImResult)> done) = 0;

    // The desktop's mail clients (EnumerateMailClients() in the application).
    virtual MailClientList MailClients() = 0;

    // The program the autostart entry starts.
    virtual QString Executable() const = 0;

    // Deletes the conversation history of the account on this computer.
    virtual void DeleteHistory() {}

    // The pages have written their settings.
    virtual void OptionsApplied() {}
};

} // namespace zep
