#include "desktop/rpc_service.h"

#include "contacts/contact_actions.h"
#include "contacts/record_display.h"
#include "desktop/rpc_host.h"
#include "rpc/messenger_control.h"
#include "transport/log_writer.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QEvent>
#include <QMetaObject>
#include <QTimer>
#include <memory>

namespace zep {
namespace {

// Log line number of the service's start and stop messages.
constexpr int kRpcLogNumber = 99999;

std::unique_ptr<CRpcService> g_service;

int NotFound()
{
    return rpc::kResultNotFound;
}

// A reply sent later, once the outcome is known. If whatever was to give the result goes away
// first (the view ends with the INVITE still out), the caller still gets an answer: 207.
class PendingReply
{
public:
    PendingReply(QDBusConnection bus, QDBusMessage call) : m_bus(std::move(bus)), m_call(call) {}
    ~PendingReply() { Send(NotFound()); }
    PendingReply(const PendingReply&) = delete;
    PendingReply& operator=(const PendingReply&) = delete;

    void Send(int result)
    {
        if (m_sent)
            return;
        m_sent = true;
        m_bus.send(m_call.createReply(QVariant::fromValue(static_cast<qint32>(result))));
    }

private:
    QDBusConnection m_bus;
    QDBusMessage m_call;
    bool m_sent = false;
};

} // namespace

std::optional<std::u16string> RpcAddress(const QString& address)
{
    // Longer addresses were cut to 255 and then looked up, which could find a different
    // contact than the one asked for; no contact address is that long, so none is found.
    if (address.size() > rpc::kMaxAddressLength)
        return std::nullopt;
    return address.toStdU16String();
}

CRpcService::CRpcService(RpcHost& host, QDBusConnection bus, QObject* parent)
    : QObject(parent), m_host(&host), m_frame(host.RpcWindow()), m_bus(std::move(bus))
{
    m_visible = m_frame->isVisible();
    m_loggedOn = host.RpcLoggedOn();
    host.RpcWatchLogon(this, [this] { CheckState(); });
    m_frame->installEventFilter(this);
}

CRpcService::~CRpcService()
{
    Stop();
    if (m_frame)
        m_frame->removeEventFilter(this);
}

bool CRpcService::Start(QString& why)
{
    if (!m_bus.isConnected()) {
        why = QStringLiteral("no session bus: %1").arg(m_bus.lastError().message());
        return false;
    }
    // The object first, so whoever sees the name appear also finds the object.
    if (!m_bus.registerObject(QString::fromLatin1(rpc::kObjectPath), this,
                              QDBusConnection::ExportScriptableSlots |
                                  QDBusConnection::ExportScriptableSignals |
                                  QDBusConnection::ExportAllProperties)) {
        why = QStringLiteral("%1 is already exported").arg(QLatin1StringView(rpc::kObjectPath));
        return false;
    }
    m_exported = true;
    QDBusConnectionInterface* bus = m_bus.interface();
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus ? bus->registerService(QString::fromLatin1(rpc::kBusName),
                                   QDBusConnectionInterface::DontQueueService,
                                   QDBusConnectionInterface::DontAllowReplacement)
            : QDBusReply<QDBusConnectionInterface::RegisterServiceReply>();
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        why = reply.isValid() ? QStringLiteral("%1 is owned by another process")
                                    .arg(QLatin1StringView(rpc::kBusName))
                              : reply.error().message();
        m_bus.unregisterObject(QString::fromLatin1(rpc::kObjectPath));
        m_exported = false;
        return false;
    }
    m_named = true;
    return true;
}

int CRpcService::Stop()
{
    int status = 0;
    if (m_named) {
        m_named = false;
        // Synchronous on purpose: the bus answers only after every message we sent before it.
        QDBusConnectionInterface* bus = m_bus.interface();
        const QDBusReply<bool> released =
            bus ? bus->unregisterService(QString::fromLatin1(rpc::kBusName)) : QDBusReply<bool>();
        if (!released.isValid() || !released.value())
            status = 1;
    }
    if (m_exported) {
        m_exported = false;
        m_bus.unregisterObject(QString::fromLatin1(rpc::kObjectPath));
    }
    return status;
}

QString CRpcService::InterfaceUuid()
{
    return QString::fromLatin1(rpc::kInterfaceUuid);
}

QString CRpcService::InterfaceVersion()
{
    return QString::fromLatin1(rpc::kInterfaceVersion);
}

RpcView* CRpcService::LoggedOnView() const
{
    return m_frame ? m_host->RpcLoggedOnView() : nullptr;
}

int CRpcService::GetContactDetails(const QString& Address, int& Status, int& SubStatus,
                                   uchar& CanSendIm, uchar& CanSendSms, uchar& CanSendPager,
                                   uchar& Known)
{
    Status = SubStatus = 0;
    CanSendIm = CanSendSms = CanSendPager = Known = 0;
    RpcView* view = LoggedOnView();
    const std::optional<std::u16string> address = RpcAddress(Address);
    if (view == nullptr || !address)
        return NotFound();
    ContactRecord record;
    record.email = *address;
    if (view->OnRegisteredMessage(uwm::GetContactDetailsCommand(), 0,
                                  reinterpret_cast<std::intptr_t>(&record)) == 0)
        return NotFound();
    Status = static_cast<int>(record.status);
    SubStatus = static_cast<int>(record.subStatus);
    // The contact menu's own rules, so the add-in offers what the menu offers.
    const std::optional<contacts::CContactDisplay> row = view->FindContactRow(*address);
    const contacts::ContactMenuState state =
        row ? contacts::MenuStateFor(view->Own(), *row) : contacts::ContactMenuState{};
    CanSendIm = state.instantMessage ? 1 : 0;
    CanSendSms = state.sms ? 1 : 0;
    CanSendPager = state.pager ? 1 : 0;
    Known = 1;
    return rpc::kResultOk;
}

int CRpcService::SendInstantMessage(const QString& Address)
{
    RpcView* view = LoggedOnView();
    const std::optional<std::u16string> address = RpcAddress(Address);
    if (view == nullptr || !address)
        return NotFound();
    if (!calledFromDBus()) // a direct call (not over the bus) gets what is known now
        return view->FindContact(*address).email.empty() ? NotFound() : rpc::kResultOk;
    // The answer goes when the server has accepted or refused the conversation.
    setDelayedReply(true);
    auto pending = std::make_shared<PendingReply>(connection(), message());
    view->StartConversation(*address, [pending](int result) { pending->Send(result); });
    return rpc::kResultOk; // not sent: the delayed reply carries the result
}

int CRpcService::SendOffline(unsigned message, const QString& address)
{
    RpcView* view = LoggedOnView();
    const std::optional<std::u16string> text = RpcAddress(address);
    if (view == nullptr || !text)
        return NotFound();
    return static_cast<int>(
        view->OnRegisteredMessage(message, 0, reinterpret_cast<std::intptr_t>(&*text)));
}

int CRpcService::SendSmsMessage(const QString& Address)
{
    return SendOffline(uwm::SendSmsCommand(), Address);
}

int CRpcService::SendPagerMessage(const QString& Address)
{
    return SendOffline(uwm::SendPagerCommand(), Address);
}

int CRpcService::SendEmailMessage(const QString& Address)
{
    return SendOffline(uwm::SendEmailCommand(), Address);
}

int CRpcService::GetMessengerState(uchar& Visible, uchar& LoggedOn)
{
    Visible = LoggedOn = 0;
    if (!m_frame)
        return NotFound();
    Visible = m_frame->isVisible() ? 1 : 0;
    LoggedOn = m_host->RpcLoggedOn() ? 1 : 0;
    return rpc::kResultOk;
}

template <typename F> void CRpcService::PostToFrame(F what)
{
    QMetaObject::invokeMethod(
        m_frame.data(),
        [frame = m_frame, host = m_host, what] {
            if (frame)
                what(*host);
        },
        Qt::QueuedConnection);
}

int CRpcService::LogIn()
{
    if (!m_frame)
        return NotFound();
    PostToFrame([](RpcHost& frame) { frame.OnLogIn(); });
    return rpc::kResultOk;
}

int CRpcService::LogOut()
{
    if (!m_frame)
        return NotFound();
    PostToFrame([](RpcHost& frame) { frame.OnLogOut(); });
    return rpc::kResultOk;
}

int CRpcService::ExitMessenger()
{
    if (!m_frame)
        return NotFound();
    // The reply is queued on the bus before the exit runs; the exit releases the name with a
    // round trip, which the bus answers only after delivering this reply.
    PostToFrame([](RpcHost& frame) { frame.OnExit(); });
    return rpc::kResultCommandHandled;
}

int CRpcService::OpenMessenger()
{
    if (!m_frame)
        return NotFound();
    m_host->OnOpen();
    return rpc::kResultCommandHandled;
}

int CRpcService::HideMessenger()
{
    if (!m_frame)
        return NotFound();
    PostToFrame([](RpcHost& frame) { frame.OnHide(); });
    return rpc::kResultOk;
}

bool CRpcService::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_frame.data() &&
        (event->type() == QEvent::Show || event->type() == QEvent::Hide))
        // From the queue: the window's visible state is settled once the event is through.
        QTimer::singleShot(0, this, &CRpcService::CheckState);
    return QObject::eventFilter(watched, event);
}

void CRpcService::CheckState()
{
    const bool visible = m_frame && m_frame->isVisible();
    const bool loggedOn = m_frame && m_host->RpcLoggedOn();
    if (visible == m_visible && loggedOn == m_loggedOn)
        return;
    m_visible = visible;
    m_loggedOn = loggedOn;
    emit StateChanged(visible ? 1 : 0, loggedOn ? 1 : 0);
}

void StartRpcService(RpcHost& frame)
{
    if (g_service)
        return;
    auto service = std::make_unique<CRpcService>(frame, QDBusConnection::sessionBus());
    QString why;
    if (!service->Start(why)) {
        LogWrite(ZepimLog(), kLogFailure, kRpcLogNumber,
                 "The control service did not start: " + why.toStdString());
        return;
    }
    g_service = std::move(service);
}

int StopRpcService()
{
    if (!g_service)
        return 0;
    const int status = g_service->Stop();
    g_service.reset();
    return status;
}

bool RpcServiceRunning()
{
    return g_service != nullptr;
}

} // namespace zep
