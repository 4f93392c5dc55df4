// The messenger's side of MessengerControl: one object on the session bus that answers the
// eleven procedures for the main frame. QtDBus delivers every call on the UI thread, where the
// object lives, so the handlers run as the tray commands do; nothing here waits on the network.
#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>
#include <string>

namespace zep {

class RpcHost;
class RpcView;

// Called last at start-up, with the frame shown: owns the bus name and exports the object. A
// missing session bus or a name owned by another process is logged and otherwise ignored; the
// messenger then works without the service.
void StartRpcService(RpcHost& frame);
// Called first at exit: releases the name and withdraws the object. 0, or 1 when the name was
// not ours to release. Running it again does nothing (0).
int StopRpcService();
// Whether the service owns its name now (tests, diagnostics).
bool RpcServiceRunning();

// The address as the view looks it up: nothing (so 207) when longer than 255 UTF-16 units.
std::optional<std::u16string> RpcAddress(const QString& address);

class CRpcService : public QObject, protected QDBusContext
{
    Q_OBJECT
    // The same name as rpc::kInterfaceName; moc needs the literal. The tests compare both.
    Q_CLASSINFO("D-Bus Interface", "org.zep.ZEPRIM.MessengerControl1")
    Q_PROPERTY(QString InterfaceUuid READ InterfaceUuid CONSTANT)
    Q_PROPERTY(QString InterfaceVersion READ InterfaceVersion CONSTANT)

public:
    CRpcService(RpcHost& host, QDBusConnection bus, QObject* parent = nullptr);
    ~CRpcService() override;

    // Exports the object, then asks for the name; false (with the reason) and nothing left
    // behind when either fails.
    bool Start(QString& why);
    // Releases the name. This is a round trip to the bus, after every reply already sent, so
    // those replies (ExitMessenger's) are out before the process goes on to end.
    int Stop();

    static QString InterfaceUuid();
    static QString InterfaceVersion();

public slots:
    Q_SCRIPTABLE int GetContactDetails(const QString& Address, int& Status, int& SubStatus,
                                       uchar& CanSendIm, uchar& CanSendSms, uchar& CanSendPager,
                                       uchar& Known);
    Q_SCRIPTABLE int SendInstantMessage(const QString& Address);
    Q_SCRIPTABLE int SendSmsMessage(const QString& Address);
    Q_SCRIPTABLE int SendPagerMessage(const QString& Address);
    Q_SCRIPTABLE int SendEmailMessage(const QString& Address);
    Q_SCRIPTABLE int GetMessengerState(uchar& Visible, uchar& LoggedOn);
    Q_SCRIPTABLE int LogIn();
    Q_SCRIPTABLE int LogOut();
    Q_SCRIPTABLE int ExitMessenger();
    Q_SCRIPTABLE int OpenMessenger();
    Q_SCRIPTABLE int HideMessenger();

signals:
    Q_SCRIPTABLE void StateChanged(uchar Visible, uchar LoggedOn);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The logged-on view filling the frame, or null (the common 207 of procedures 0 to 4).
    RpcView* LoggedOnView() const;
    int SendOffline(unsigned message, const QString& address);
    // Runs `what` on the frame from the event queue, after this call's reply has gone.
    template <typename F> void PostToFrame(F what);
    void CheckState();

    RpcHost* m_host;
    // The host's window: the host lives as long as it.
    QPointer<QWidget> m_frame;
    QDBusConnection m_bus;
    bool m_exported = false;
    bool m_named = false;
    // The state last sent with StateChanged.
    bool m_visible = false;
    bool m_loggedOn = false;
};

} // namespace zep
