#pragma once
// zepim-ctl's side of the session bus: one procedure call, and the state watch.

#include "tools/ctl_commands.h"

#include <QObject>
#include <iosfwd>
#include <string>
#include <vector>

namespace zep::ctl {

struct CallOutcome
{
    enum class Kind
    {
        Reply,       // values holds the result, then the out values
        NoMessenger, // no session bus, or nobody owns the messenger's name
        Error,       // any other failure of the call; `error` says which
    };
    Kind kind = Kind::Error;
    std::vector<int> values;
    std::string error;
};

// Calls the command's procedure without auto-start and waits for the answer.
CallOutcome CallProcedure(const Command& command, const std::string& address);

// Runs a call and prints it: the out values on success, the failure line otherwise. The exit
// status of zepim-ctl.
int RunCall(const Command& command, const std::string& address, std::ostream& out,
            std::ostream& err);

// Prints the state, then a line per StateChanged, until the messenger's name goes away (0).
// Needs a running QCoreApplication; 3 when no messenger is there to watch.
int RunWatch(std::ostream& out, std::ostream& err);

// Receives the StateChanged signal for RunWatch.
class StatePrinter : public QObject
{
    Q_OBJECT
public:
    explicit StatePrinter(std::ostream& out) : m_out(out) {}
public slots:
    void OnState(uchar visible, uchar loggedOn);

private:
    std::ostream& m_out;
};

} // namespace zep::ctl
