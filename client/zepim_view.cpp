#include "zepim_view.h"

#include "client_connection.h"
#include "contacts/own_status.h"
#include "contacts/status_menu.h"
#include "logo.h"
#include "main_frame.h"
#include "messages.h"
#include "protocol/framing.h"
#include "protocol/requests.h"
#include "settings.h"
#include "transport/im_connection.h"

#include <QMenu>
#include <QVBoxLayout>

namespace zep {

using contacts::CContactDisplay;
using contacts::ContactDisplayKind;

namespace {

// Seconds the reader waits for data before it looks at its stop flag again (it is also woken).
constexpr int kReaderWaitSeconds = 1;

contacts::Record ToDisplay(const ContactRecord& r)
{
    contacts::Record d;
    d.Id = r.id;
    d.Type = r.type;
    d.Name = r.name;
    d.Email = r.email;
    d.Status = r.status;
    d.SubStatus = r.subStatus;
    d.CustomStatus = r.customStatus;
    d.EmailState = r.emailState;
    d.EmailMethod = r.emailMethod;
    d.EmailTime = {r.emailTime.year, r.emailTime.month,  r.emailTime.day,
                   r.emailTime.hour, r.emailTime.minute, r.emailTime.second};
    d.ContactMethod = r.contactMethod;
    d.HomeTel = r.homeTel;
    d.HomeMobile = r.homeMobile;
    d.HomeFax = r.homeFax;
    d.WorkTel = r.workTel;
    d.WorkMobile = r.workMobile;
    d.WorkPager = r.workPager;
    d.WorkFax = r.workFax;
    d.Location = r.location;
    d.EnterSendsMessage = r.accountFlags.enterSendsMessage;
    d.SmsAllowed = r.accountFlags.smsAllowed;
    d.PagerAllowed = r.accountFlags.pagerAllowed;
    d.SmsLimit = r.accountFlags.smsLimit;
    d.PagerLimit = r.accountFlags.pagerLimit;
    d.AccountText = r.accountText;
    d.DateFormat = r.dateFormat;
    return d;
}

ContactRecord FromDisplay(const contacts::Record& d)
{
    ContactRecord r;
    r.id = d.Id;
    r.type = d.Type;
    r.name = d.Name;
    r.email = d.Email;
    r.status = d.Status;
    r.subStatus = d.SubStatus;
    r.customStatus = d.CustomStatus;
    r.emailState = d.EmailState;
    r.emailMethod = d.EmailMethod;
    r.emailTime = {d.EmailTime.year, d.EmailTime.month,  d.EmailTime.day,
                   d.EmailTime.hour, d.EmailTime.minute, d.EmailTime.second};
    r.contactMethod = d.ContactMethod;
    r.homeTel = d.HomeTel;
    r.homeMobile = d.HomeMobile;
    r.homeFax = d.HomeFax;
    r.workTel = d.WorkTel;
    r.workMobile = d.WorkMobile;
    r.workPager = d.WorkPager;
    r.workFax = d.WorkFax;
    r.location = d.Location;
    return r;
}

CContactDisplay RowFor(const ContactRecord& record)
{
    CContactDisplay row;
    row.Contact = ToDisplay(record);
    row.Indent = 1;
    row.Kind = record.status == PresenceStatus::Available ? ContactDisplayKind::OnlineContact
                                                          : ContactDisplayKind::OfflineContact;
    row.Label = contacts::ContactLabel(row.Contact);
    return row;
}

bool EqualNoCase(const std::u16string& a, const std::u16string& b)
{
    return contacts::EqualNoCase(a, b);
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

} // namespace

namespace uwm {
MessageId SendImCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDIM_COMMAND");
    return id;
}
MessageId SendEmailCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDEMAIL_COMMAND");
    return id;
}
MessageId SendSmsCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDSMS_COMMAND");
    return id;
}
MessageId SendPagerCommand()
{
    static const MessageId id = RegisterMessage("UWM_SENDPAGER_COMMAND");
    return id;
}
MessageId GetContactDetailsCommand()
{
    static const MessageId id = RegisterMessage("UWM_GETCONTACTDETAILS_COMMAND");
    return id;
}
} // namespace uwm

ViewTiming& CurrentViewTiming()
{
    static ViewTiming timing;
    return timing;
}

// What view creation fetched: contacts with their presence, and the mail count.
struct CZepimView::Fill
{
    std::vector<ContactRecord> contacts;
    bool listed = false;
    bool keepAliveOk = false;
    long long mailCount = 0;
};

CZepimView::CZepimView(ClientConnection& connection, CMainFrame* frame, std::uint64_t generation,
                       QWidget* parent)
    : QWidget(parent), m_connection(connection), m_frame(frame), m_generation(generation),
      m_banner(new contacts::CMyStatusButton(this)), m_list(new contacts::CContactListCtrl(this))
{
    setObjectName(QStringLiteral("CZepimView"));
    ToUtf16(m_connection.OwnRecord(), m_own);
    if (m_own.email.empty())
        m_own.email = m_connection.Own().email.toStdU16String();

    QImage logo;
    if (LoadLogo(logo))
        m_banner->SetLogo(TransparentTopLeft(logo).scaledToHeight(std::min(logo.height(), 32),
                                                                  Qt::SmoothTransformation));
    m_banner->SetLogoLink(Settings().ReadText(setting::LogoLink, defaults::LogoLink));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_banner);
    layout->addWidget(m_list, 1);
    setFocusProxy(m_list);
    m_list->SetOwnRecord(ToDisplay(m_own));
    connect(m_banner, &contacts::CMyStatusButton::StatusMenuRequested, this,
            &CZepimView::OpenStatusMenu);

    // The fixed rows are always there, whatever the server answers.
    m_list->AddRow(ContactDisplayKind::MailNotice, 0, contacts::MailNoticeLabel(0), nullptr, false);
    m_list->AddRow(ContactDisplayKind::OnlineHeader, 0, contacts::kOnlineLabel, nullptr, false);
    m_list->AddRow(ContactDisplayKind::OfflineHeader, 0, contacts::kOfflineLabel, nullptr, false);
    Settings settings;
    if (settings.ReadInt(setting::OnlineNodeOpen, defaults::NodeOpen) == 0)
        m_list->Collapse(ContactDisplayKind::OnlineHeader);
    if (settings.ReadInt(setting::OfflineNodeOpen, defaults::NodeOpen) == 0)
        m_list->Collapse(ContactDisplayKind::OfflineHeader);
    m_list->RefreshList();
    ShowOwnStatus();
    StartWorkers();
}

CZepimView::~CZepimView()
{
    Settings settings;
    settings.WriteInt(setting::OnlineNodeOpen,
                      m_list->IsExpanded(ContactDisplayKind::OnlineHeader) ? 1 : 0);
    settings.WriteInt(setting::OfflineNodeOpen,
                      m_list->IsExpanded(ContactDisplayKind::OfflineHeader) ? 1 : 0);
    StopWorkers();
}

QString CZepimView::Shown() const
{
    return m_banner->Text();
}

void CZepimView::StartWorkers()
{
    m_requests = std::thread([this] { RequestLoop(); });
    m_receive = std::thread([this] { ReceiveLoop(); });
    m_keepAlive = std::thread([this] { KeepAliveLoop(); });
}

void CZepimView::StopWorkers()
{
    m_stop = true;
    {
        std::lock_guard lock(m_queueLock);
        m_queueWake.notify_all();
    }
    {
        std::lock_guard lock(m_sleepLock);
        m_sleepWake.notify_all();
    }
    if (ImConnection* conn = m_connection.Connection())
        ImWakeReader(*conn);
    // No worker waits for this thread (results are posted, never sent), so joining is safe.
    for (std::thread* t : {&m_keepAlive, &m_receive, &m_requests}) {
        if (t->joinable())
            t->join();
    }
}

void CZepimView::ReceiveLoop()
{
    ImConnection* conn = m_connection.Connection();
    {
        // Creation's requests: the result is queued before AppLock is released, so it is
        // applied before any event that follows it on the wire.
        std::lock_guard app(m_connection.AppLock());
        auto fill = std::make_shared<Fill>();
        std::vector<ContactRecordUtf8> listed;
        if (ImListContacts(*conn, ListType::Contact, listed) == ImResult::Ok) {
            fill->listed = true;
            // Nobody is online until the server says so.
            for (ContactRecordUtf8& r : listed)
                r.status = PresenceStatus::Unavailable;
            if (!listed.empty())
                ImSubscribe(*conn, listed); // a failure keeps what was listed
            for (const ContactRecordUtf8& r : listed) {
                ContactRecord wide;
                if (ToUtf16(r, wide) == ImResult::Ok)
                    fill->contacts.push_back(std::move(wide));
            }
        }
        long long count = 0;
        if (ImKeepAlive(*conn, CurrentViewTiming().activityTick(), count) == ImResult::Ok) {
            fill->keepAliveOk = true;
            fill->mailCount = count;
            ++m_keepAlives;
        }
        QMetaObject::invokeMethod(
            this, [this, fill] { ApplyFill(*fill); }, Qt::QueuedConnection);
    }
    while (!m_stop) {
        const ImResult waited = ImWaitEvent(*conn, kReaderWaitSeconds);
        if (m_stop)
            break;
        if (waited == ImResult::TimedOut)
            continue;
        LineList lines;
        ImResult read;
        {
            std::lock_guard app(m_connection.AppLock());
            read = ImReadEvent(*conn, lines);
            if (read == ImResult::Ok) {
                auto event = std::make_shared<ServerEvent>(ServerEventFromLines(lines));
                QMetaObject::invokeMethod(
                    this, [this, event] { Dispatch(*event); }, Qt::QueuedConnection);
                continue;
            }
        }
        if (read == ImResult::ConnectionClosed || read == ImResult::TransferFailed ||
            waited == ImResult::ConnectionClosed) {
            ConnectionLost();
            return;
        }
    }
}

void CZepimView::ConnectionLost()
{
    if (m_frame)
        PostRegisteredMessage(m_frame.data(), uwm::ConnectionLost(), 0,
                              static_cast<std::intptr_t>(m_generation));
}

void CZepimView::KeepAliveLoop()
{
    const ViewTiming& timing = CurrentViewTiming();
    auto next = std::chrono::steady_clock::now() + timing.keepAliveInterval;
    std::unique_lock lock(m_sleepLock);
    while (!m_stop) {
        m_sleepWake.wait_for(lock, timing.watchPoll, [this] { return m_stop.load(); });
        if (m_stop)
            break;
        const bool fired = ActivityWatchFired();
        if (fired || std::chrono::steady_clock::now() >= next) {
            next = std::chrono::steady_clock::now() + timing.keepAliveInterval;
            QMetaObject::invokeMethod(
                this, [this] { OnKeepAliveCommand(); }, Qt::QueuedConnection);
        }
    }
}

void CZepimView::RunRequest(std::function<void()> job)
{
    std::lock_guard lock(m_queueLock);
    m_queue.push_back(std::move(job));
    m_queueWake.notify_one();
}

void CZepimView::RequestLoop()
{
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock lock(m_queueLock);
            m_queueWake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        job();
    }
}

void CZepimView::ApplyFill(const Fill& fill)
{
    for (const ContactRecord& r : fill.contacts)
        m_list->AddDisplay(RowFor(r), false);
    m_list->RefreshList();
    if (fill.keepAliveOk)
        m_list->SetMailCount(static_cast<int>(fill.mailCount));
    m_filled = true;
    emit Changed();
}

void CZepimView::OnKeepAliveCommand()
{
    // One keep-alive at a time: a server that stops answering gets no pile of them.
    if (m_kaOutstanding.exchange(true))
        return;
    const std::uint32_t tick = CurrentViewTiming().activityTick();
    RunRequest([this, tick] {
        ImConnection* conn = m_connection.Connection();
        std::lock_guard app(m_connection.AppLock());
        long long count = 0;
        const ImResult result = ImKeepAlive(*conn, tick, count);
        ++m_keepAlives;
        QMetaObject::invokeMethod(
            this,
            [this, result, count] {
                m_kaOutstanding = false;
                if (result == ImResult::Ok) {
                    m_list->SetMailCount(static_cast<int>(count));
                } else if (result == ImResult::TimedOut || result == ImResult::TransferFailed ||
                           result == ImResult::ConnectionClosed) {
                    // A half-open connection shows here first.
                    ConnectionLost();
                }
                emit Changed();
            },
            Qt::QueuedConnection);
    });
}

void CZepimView::Dispatch(const ServerEvent& event)
{
    switch (ServerEventKind(event)) {
    case EventKind::Presence:
        ApplyPresence(event);
        break;
    case EventKind::NewMail: {
        const std::u16string recent = HeaderValue(event, u"Recent", 1024);
        if (recent.empty())
            break;
        int count = 0;
        for (char16_t c : recent) {
            if (c < u'0' || c > u'9' || count > 100000000)
                break;
            count = count * 10 + (c - u'0');
        }
        m_list->SetMailCount(count);
        break;
    }
    case EventKind::Logoff:
        if (m_frame)
            PostRegisteredMessage(m_frame.data(), uwm::Logoff(), 0, 1);
        break;
    // Conversation windows come with a later part of the program; until then these events
    // are only counted, never shown.
    case EventKind::Session:
        ++m_conversationEvents.sessions;
        break;
    case EventKind::Message:
        ++m_conversationEvents.messages;
        break;
    case EventKind::SessionTimeout:
        ++m_conversationEvents.timeouts;
        break;
    case EventKind::Unknown:
        break;
    }
    emit Changed();
}

void CZepimView::ApplyPresence(const ServerEvent& event)
{
    const PresenceUpdate update = ReadPresence(event);
    if (update.email.empty())
        return;
    if (EqualNoCase(update.email, m_own.email)) {
        // The user's own presence: the banner, never a contact row.
        {
            std::lock_guard app(m_connection.AppLock());
            zep::ApplyPresence(update, m_own);
        }
        ArmActivityWatch();
        ShowOwnStatus();
        return;
    }
    std::lock_guard view(m_viewLock);
    const CContactDisplay* found = m_list->FindByEmail(update.email);
    if (found == nullptr)
        return;
    ContactRecord record = FromDisplay(found->Contact);
    zep::ApplyPresence(update, record);
    CContactDisplay row = *found;
    const CContactDisplay fresh = RowFor(record);
    row.Contact = fresh.Contact;
    row.Kind = fresh.Kind;
    row.Label = fresh.Label;
    m_list->UpdateContact(update.email, row);
    m_list->RefreshList();
}

void CZepimView::ArmActivityWatch()
{
    std::lock_guard view(m_viewLock);
    m_watchArmed = true;
    m_watchTick = CurrentViewTiming().activityTick();
}

bool CZepimView::ActivityWatchFired()
{
    const std::uint32_t now = CurrentViewTiming().activityTick();
    std::lock_guard view(m_viewLock);
    if (!m_watchArmed || now == m_watchTick)
        return false;
    m_watchArmed = false;
    return true;
}

void CZepimView::ShowOwnStatus()
{
    const contacts::OwnStatusBanner banner = contacts::MakeOwnStatusBanner(ToDisplay(m_own));
    QIcon icon;
    const contacts::ContactImages& images = m_list->Images();
    switch (banner.image) {
    case contacts::OwnStatusImage::Online:
        icon = images.Icon(contacts::ContactImage::Contact);
        break;
    case contacts::OwnStatusImage::Away:
        icon = images.Icon(contacts::ContactImage::Away);
        break;
    case contacts::OwnStatusImage::Busy:
        icon = images.Icon(contacts::ContactImage::Busy);
        break;
    case contacts::OwnStatusImage::Offline:
        icon = contacts::ContactImages::OfflineIcon();
        break;
    }
    m_banner->SetStatus(icon.pixmap(16, 16), QString::fromStdU16String(banner.text));
    m_banner->SetTip(QString::fromStdU16String(banner.tip));
}

void CZepimView::OpenStatusMenu()
{
    QMenu menu(this);
    contacts::BuildStatusMenu(menu, m_own.status, m_own.subStatus);
    window()->activateWindow();
    const int chosen = contacts::MenuCommand(menu.exec(m_banner->MenuPosition()));
    if (chosen == contacts::command::CustomStatus)
        OpenCustomStatus();
    else if (chosen != 0)
        SendStatus(chosen);
}

void CZepimView::OpenCustomStatus()
{
    auto* dialog = new contacts::CCustomStatus(QString::fromStdU16String(m_own.customStatus), this);
    connect(dialog, &contacts::CCustomStatus::Command, this,
            [this](int id, const QString& text) { SendStatus(id, text); });
    dialog->show();
}

void CZepimView::SendStatus(int commandId, const QString& customText)
{
    PresenceStatus status = m_own.status;
    SubStatus sub = m_own.subStatus;
    std::string custom;
    if (const auto choice = contacts::StatusChoiceFor(commandId)) {
        status = choice->status;
        sub = choice->subStatus;
    } else if (commandId == contacts::command::CustomOk) {
        custom = Utf8(customText.left(contacts::kCustomStatusMaxLength));
    } else if (commandId != contacts::command::CustomReset) {
        return; // Cancel sends nothing
    }
    RunRequest([this, status, sub, custom] {
        std::lock_guard app(m_connection.AppLock());
        // A status from the menu clears the custom text on the server too.
        const ImResult result =
            ImPresence(*m_connection.Connection(), status, sub, std::string_view(custom));
        QMetaObject::invokeMethod(
            this,
            [this, result, status, sub, custom] {
                if (result != ImResult::Ok)
                    return; // the banner keeps the previous status
                m_own.status = status;
                m_own.subStatus = sub;
                m_own.customStatus = QString::fromStdString(custom).toStdU16String();
                ShowOwnStatus();
                emit Changed();
            },
            Qt::QueuedConnection);
    });
}

std::intptr_t CZepimView::OnRegisteredMessage(MessageId id, std::intptr_t, std::intptr_t lParam)
{
    if (id == uwm::KaCommand()) {
        OnKeepAliveCommand();
        return 0;
    }
    if (id == uwm::GetContactDetailsCommand()) {
        auto* buffer = reinterpret_cast<ContactRecord*>(lParam);
        if (buffer == nullptr || !GetContactDetails(buffer->email, *buffer))
            return 0;
        return lParam;
    }
    if (id == uwm::SendImCommand() || id == uwm::SendEmailCommand() ||
        id == uwm::SendSmsCommand() || id == uwm::SendPagerCommand()) {
        const auto* address = reinterpret_cast<const std::u16string*>(lParam);
        if (address == nullptr || FindContact(*address).email.empty())
            return static_cast<std::intptr_t>(ImResult::NotFound);
        // Conversation and offline message windows come with a later part of the program;
        // until then the command fails rather than pretending to open one.
        return static_cast<std::intptr_t>(ImResult::Failed);
    }
    return 0;
}

ContactRecord CZepimView::FindContact(const std::u16string& email) const
{
    std::lock_guard view(m_viewLock);
    if (const CContactDisplay* row = m_list->FindByEmail(email))
        return FromDisplay(row->Contact);
    ContactRecord none;
    none.id = -1;
    return none;
}

bool CZepimView::GetContactDetails(const std::u16string& email, ContactRecord& out) const
{
    ContactRecord found = FindContact(email);
    if (found.email.empty())
        return false;
    out = std::move(found);
    return true;
}

ContactRecord CZepimView::ParticipantLookup(const std::u16string& email) const
{
    ContactRecord found = FindContact(email);
    if (!found.email.empty())
        return found;
    if (EqualNoCase(email, m_own.email))
        return m_own;
    std::vector<ContactRecordUtf8> users;
    {
        std::lock_guard app(m_connection.AppLock());
        ImListUsers(*m_connection.Connection(), UserSearch::Email,
                    QString::fromStdU16String(email).toStdString(), users);
    }
    ContactRecord record;
    if (!users.empty() && ToUtf16(users.front(), record) == ImResult::Ok)
        return record;
    record = ContactRecord{};
    record.id = -1;
    record.email = email.substr(0, kEmailSize - 1);
    const auto at = email.find(u'@');
    record.name =
        (at == std::u16string::npos ? email : email.substr(0, at)).substr(0, kNameSize - 1);
    return record;
}

} // namespace zep
