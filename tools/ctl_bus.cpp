#include "tools/ctl_bus.h"

#include "rpc/messenger_control.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QVariant>
#include <ostream>

namespace zep::ctl {
namespace {

// A conversation is answered once the server has accepted it, which can take a while.
constexpr int kCallTimeoutMs = 300 * 1000;

QString Name(const char* text)
{
    return QString::fromLatin1(text);
}

} // namespace

CallOutcome CallProcedure(const Command& command, const std::string& address)
{
    CallOutcome outcome;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        outcome.kind = CallOutcome::Kind::NoMessenger;
        outcome.error = "no session bus";
        return outcome;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(Name(rpc::kBusName), Name(rpc::kObjectPath),
                                       Name(rpc::kInterfaceName), Name(command.procedure));
    if (command.takesAddress)
        call.setArguments({QString::fromStdString(address)});
    // Nothing may start a messenger behind the user's back: no owner means none is running.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        const std::string name = reply.errorName().toStdString();
        outcome.kind = name == rpc::kErrorNoOwner || name == rpc::kErrorServiceUnknown
                           ? CallOutcome::Kind::NoMessenger
                           : CallOutcome::Kind::Error;
        outcome.error = reply.errorMessage().toStdString();
        return outcome;
    }
    outcome.kind = CallOutcome::Kind::Reply;
    for (const QVariant& value : reply.arguments())
        outcome.values.push_back(value.toInt());
    if (outcome.values.size() != command.outs.size() + 1) {
        outcome.kind = CallOutcome::Kind::Error;
        outcome.error = "unexpected reply signature " + reply.signature().toStdString();
    }
    return outcome;
}

int RunCall(const Command& command, const std::string& address, std::ostream& out,
            std::ostream& err)
{
    const CallOutcome outcome = CallProcedure(command, address);
    switch (outcome.kind) {
    case CallOutcome::Kind::NoMessenger:
        err << "zepim-ctl: no messenger running (" << outcome.error << ")\n";
        return kExitNoMessenger;
    case CallOutcome::Kind::Error:
        err << "zepim-ctl: " << command.procedure << ": " << outcome.error << "\n";
        return kExitFailed;
    case CallOutcome::Kind::Reply:
        break;
    }
    const int result = outcome.values.front();
    const int status = ExitFor(command, result);
    if (status != kExitOk) {
        err << FailureLine(command, result) << "\n";
        return status;
    }
    out << OutputLines(command, {outcome.values.begin() + 1, outcome.values.end()});
    out.flush();
    return kExitOk;
}

void StatePrinter::OnState(uchar visible, uchar loggedOn)
{
    m_out << StateLine(visible, loggedOn) << std::endl;
}

int RunWatch(std::ostream& out, std::ostream& err)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    StatePrinter printer(out);
    // Listening first, so no change between the first answer and the match is lost.
    if (!bus.isConnected() ||
        !bus.connect(Name(rpc::kBusName), Name(rpc::kObjectPath), Name(rpc::kInterfaceName),
                     Name(rpc::kStateChangedSignal), &printer, SLOT(OnState(uchar, uchar)))) {
        err << "zepim-ctl: no messenger running (no session bus)\n";
        return kExitNoMessenger;
    }
    QDBusServiceWatcher watcher(Name(rpc::kBusName), bus,
                                QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &printer,
                     [] { QCoreApplication::exit(kExitOk); });
    const Command& state = Commands()[5];
    const CallOutcome first = CallProcedure(state, {});
    if (first.kind != CallOutcome::Kind::Reply) {
        if (first.kind == CallOutcome::Kind::NoMessenger) {
            err << "zepim-ctl: no messenger running (" << first.error << ")\n";
            return kExitNoMessenger;
        }
        err << "zepim-ctl: " << state.procedure << ": " << first.error << "\n";
        return kExitFailed;
    }
    if (first.values.front() != 0) {
        err << FailureLine(state, first.values.front()) << "\n";
        return kExitFailed;
    }
    out << StateLine(first.values[1], first.values[2]) << std::endl;
    return QCoreApplication::exec();
}

} // namespace zep::ctl
