#include "app/zepim_view.h"

#include "app/main_frame.h"
#include "contacts/add_contact_sheet.h"
#include "contacts/contact_dialog.h"
#include "contacts/own_status.h"
#include "contacts/record_display.h"
#include "contacts/status_menu.h"
#include "desktop/desktop_notice.h"
#include "protocol/requests.h"
#include "session/attention.h"
#include "session/client_connection.h"
#include "session/messages.h"
#include "session/settings.h"
#include "transport/im_connection.h"
#include "ui/display_texts.h"
#include "ui/logo.h"

#include <QMenu>
#include <QShortcut>
#include <QVBoxLayout>

namespace zep {

using contacts::CContactDisplay;
using contacts::ContactDisplayKind;

namespace {

bool EqualNoCase(const std::u16string& a, const std::u16string& b)
{
    return contacts::EqualNoCase(a, b);
}

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

ContactRecord OwnRecordOf(ClientConnection& connection)
{
    ContactRecord own;
    ToUtf16(connection.OwnRecord(), own);
    if (own.email.empty())
        own.email = connection.Own().email.toStdU16String();
    return own;
}

} // namespace

CZepimView::CZepimView(ClientConnection& connection, CMainFrame* frame, std::uint64_t generation,
                       QWidget* parent)
    : QWidget(parent), m_connection(connection), m_frame(frame), m_generation(generation),
      m_banner(new contacts::CMyStatusButton(this)), m_filter(new contacts::ContactFilterBar(this)),
      m_list(new contacts::CContactListCtrl(this)), m_own(OwnRecordOf(connection)),
      m_conversations(m_own.email)
{
    setObjectName(QStringLiteral("CZepimView"));
    OptionsApplied();

    QImage logo;
    if (LoadLogo(logo))
        m_banner->SetLogo(TransparentTopLeft(logo).scaledToHeight(std::min(logo.height(), 32),
                                                                  Qt::SmoothTransformation));
    m_banner->SetLogoLink(Settings().ReadText(setting::LogoLink, defaults::LogoLink));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_banner);
    layout->addWidget(m_filter);
    layout->addWidget(m_list, 1);
    setFocusProxy(m_list);
    m_list->SetOwnRecord(m_own);
    connect(m_banner, &contacts::CMyStatusButton::StatusMenuRequested, this,
            &CZepimView::OpenStatusMenu);
    connect(m_list, &contacts::CContactListCtrl::RowActivated, this, &CZepimView::OnRowActivated);
    connect(m_list, &contacts::CContactListCtrl::ContactMenuRequested, this,
            [this](const CContactDisplay* row, const QPoint& at) {
                OpenContactMenu(row->Contact.email, at);
            });
    connect(m_list, &contacts::CContactListCtrl::DeleteRequested, this,
            [this](const CContactDisplay* row) { ConfirmDelete(row->Contact.email); });
    ConnectFilter();

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

    ViewSession::Handlers handlers;
    handlers.filled = [this](const ViewFill& fill) { ApplyFill(fill); };
    handlers.event = [this](const ServerEvent& event) { Dispatch(event); };
    handlers.keepAliveDue = [this] { OnKeepAliveCommand(); };
    handlers.connectionLost = [this] { ConnectionLost(); };
    m_session = std::make_unique<ViewSession>(m_connection, std::move(handlers));
    m_session->Start();
}

void CZepimView::ConnectFilter()
{
    auto* find =
        new QShortcut(QKeySequence::Find, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, m_filter, &contacts::ContactFilterBar::Open);
    connect(m_list, &contacts::CContactListCtrl::FilterTyped, m_filter,
            &contacts::ContactFilterBar::Continue);
    connect(m_list, &contacts::CContactListCtrl::FilterCancelled, m_filter,
            &contacts::ContactFilterBar::Cancel);
    connect(m_filter, &contacts::ContactFilterBar::FilterChanged, m_list,
            &contacts::CContactListCtrl::SetFilter);
    connect(m_filter, &contacts::ContactFilterBar::Accepted, m_list,
            &contacts::CContactListCtrl::ActivateFirstMatch);
    connect(m_filter, &contacts::ContactFilterBar::LeftForList, m_list,
            [this] { m_list->setFocus(Qt::OtherFocusReason); });
}

CZepimView::~CZepimView()
{
    Shutdown();
    // A sheet whose queued delete has not run yet goes with the view.
    delete m_addSheet.data();
    delete m_blockedWindow.data();
}

void CZepimView::Shutdown(const QString& why)
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    attention::SetOwnDoNotDisturb(false);
    EndConversations(why);
    if (m_statusMenu)
        m_statusMenu->close();
    if (m_contactMenu)
        m_contactMenu->close();
    // The wizard and the picker belong to this logon; nothing of theirs goes out on the next.
    if (m_addSheet)
        m_addSheet->Cancel();
    if (m_deletePicker)
        m_deletePicker->reject();
    if (m_blockedWindow)
        m_blockedWindow->reject();
    Settings settings;
    settings.WriteInt(setting::OnlineNodeOpen,
                      m_list->IsExpanded(ContactDisplayKind::OnlineHeader) ? 1 : 0);
    settings.WriteInt(setting::OfflineNodeOpen,
                      m_list->IsExpanded(ContactDisplayKind::OfflineHeader) ? 1 : 0);
    m_session->Stop();
    if (m_history)
        m_history->Close();
}

history::Store* CZepimView::History() const
{
    if (!m_keepHistory || !m_history || !m_history->IsOpen())
        return nullptr;
    return m_history.get();
}

void CZepimView::OptionsApplied()
{
    // Turning the history off stops the writing at once; turning it on starts it without a
    // new logon.
    m_keepHistory = Settings().ReadInt(setting::KeepHistory, defaults::KeepHistory) != 0;
    if (!m_keepHistory || m_history || m_shutDown)
        return;
    m_history = std::make_unique<history::Store>();
    // Told once the view is up; the conversations go on without the history.
    connect(
        m_history.get(), &history::Store::fault, this,
        [this](const QString& text) { ShowMessage(text, nullptr, QMessageBox::Information); },
        Qt::QueuedConnection);
    m_history->Open(QString::fromStdU16String(m_own.email));
}

bool CZepimView::DeleteHistory()
{
    if (!m_history || !m_history->IsOpen())
        return false;
    m_history->DeleteAll();
    return true;
}

QString CZepimView::Shown() const
{
    return m_banner->Text();
}

void CZepimView::ConnectionLost()
{
    if (m_frame && !m_shutDown)
        PostRegisteredMessage(m_frame.data(), uwm::ConnectionLost(), 0,
                              static_cast<std::intptr_t>(m_generation));
}

void CZepimView::ShowMailCount(int count, bool announce)
{
    m_list->SetMailCount(count);
    // Only mail that came while logged on is news; the count at logon is not.
    if (announce && count > m_mailCount)
        PostNotice({NoticeKind::Mail, text::AppTitle(),
                    QString::fromStdU16String(contacts::MailNoticeLabel(count)), window()});
    m_mailCount = count;
}

void CZepimView::ApplyFill(const ViewFill& fill)
{
    for (const ContactRecord& r : fill.contacts)
        m_list->AddDisplay(RowFor(r), false);
    m_list->RefreshList();
    if (fill.keepAliveOk)
        ShowMailCount(static_cast<int>(fill.mailCount), false);
    m_filled = true;
    emit Changed();
}

void CZepimView::OnKeepAliveCommand()
{
    // One keep-alive at a time: a server that stops answering gets no pile of them.
    if (m_kaOutstanding || m_shutDown)
        return;
    m_kaOutstanding = true;
    struct Answer
    {
        ImResult result = ImResult::Failed;
        long long count = 0;
    };
    const std::uint32_t tick = CurrentViewTiming().activityTick();
    m_session->Request<Answer>(
        [this, tick](ImConnection& conn) {
            Answer answer;
            answer.result = ImKeepAlive(conn, tick, answer.count);
            m_session->CountKeepAlive();
            return answer;
        },
        this,
        [this](Answer answer) {
            m_kaOutstanding = false;
            if (answer.result == ImResult::Ok)
                ShowMailCount(static_cast<int>(answer.count), true);
            else if (IsTransportFailure(answer.result))
                ConnectionLost(); // a half-open connection shows here first
            emit Changed();
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
        ShowMailCount(count, true);
        break;
    }
    case EventKind::Logoff:
        if (m_frame)
            PostRegisteredMessage(m_frame.data(), uwm::Logoff(), 0, 1);
        break;
    case EventKind::Session:
        OnSessionEvent(event);
        break;
    case EventKind::Message:
        OnMessageEvent(event);
        break;
    case EventKind::SessionTimeout:
        OnSessionTimeoutEvent(event);
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
        // Touched only on the UI thread: no lock, and no wait behind a request in flight.
        zep::ApplyPresence(update, m_own);
        m_session->ArmActivityWatch();
        ShowOwnStatus();
        return;
    }
    ContactRecord record;
    bool cameOnline = false;
    {
        std::lock_guard view(m_viewLock);
        const CContactDisplay* found = m_list->FindByEmail(update.email);
        if (found == nullptr)
            return;
        record = found->Contact;
        zep::ApplyPresence(update, record);
        CContactDisplay row = *found;
        const CContactDisplay fresh = RowFor(record);
        // A sign-in, not a change of status while online: told once until the next sign-off.
        cameOnline = row.Kind == ContactDisplayKind::OfflineContact &&
                     fresh.Kind == ContactDisplayKind::OnlineContact;
        row.Contact = fresh.Contact;
        row.Kind = fresh.Kind;
        row.Label = fresh.Label;
        m_list->UpdateContact(update.email, row);
        m_list->RefreshList();
    }
    // The contacts online at logon came with the list and are no news.
    if (cameOnline && m_filled)
        AnnounceSignIn(record);
}

void CZepimView::ShowOwnStatus()
{
    const contacts::OwnStatusBanner banner = contacts::MakeOwnStatusBanner(m_own);
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
    attention::SetOwnDoNotDisturb(m_own.subStatus == SubStatus::DoNotDisturb);
    emit ownStatusShown(icon);
}

void CZepimView::OpenStatusMenu()
{
    if (m_statusMenu || m_shutDown)
        return;
    // popup(), never exec(): a connection loss handled while the menu is open may switch the
    // view away, and nothing of this view may then be on the stack.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    contacts::BuildStatusMenu(*menu, m_own.status, m_own.subStatus);
    connect(menu, &QMenu::triggered, this, [this](QAction* action) {
        const int chosen = contacts::MenuCommand(action);
        if (chosen == contacts::command::CustomStatus)
            OpenCustomStatus();
        else if (chosen != 0)
            SendStatus(chosen);
    });
    m_statusMenu = menu;
    window()->activateWindow();
    menu->popup(m_banner->MenuPosition());
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
    if (m_shutDown)
        return;
    m_session->Request<ImResult>(
        [status, sub, custom](ImConnection& conn) {
            // A status from the menu clears the custom text on the server too.
            return ImPresence(conn, status, sub, std::string_view(custom));
        },
        this,
        [this, status, sub, custom](ImResult result) {
            if (result != ImResult::Ok)
                return; // the banner keeps the previous status
            m_own.status = status;
            m_own.subStatus = sub;
            m_own.customStatus = QString::fromStdString(custom).toStdU16String();
            ShowOwnStatus();
            emit Changed();
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
    if (id == uwm::SendImCommand()) {
        const auto* address = reinterpret_cast<const std::u16string*>(lParam);
        if (address == nullptr || FindContact(*address).email.empty())
            return static_cast<std::intptr_t>(ImResult::NotFound);
        // The INVITE runs on the worker; its failure shows its own box.
        StartConversation(*address);
        return 0;
    }
    if (id == uwm::SendEmailCommand() || id == uwm::SendSmsCommand() ||
        id == uwm::SendPagerCommand()) {
        const auto* address = reinterpret_cast<const std::u16string*>(lParam);
        if (address == nullptr || FindContact(*address).email.empty())
            return static_cast<std::intptr_t>(ImResult::NotFound);
        const contacts::OfflineKind kind =
            id == uwm::SendEmailCommand() ? contacts::OfflineKind::Email
            : id == uwm::SendSmsCommand() ? contacts::OfflineKind::Sms
                                          : contacts::OfflineKind::Pager;
        return OpenOfflineWindow(kind, *address);
    }
    return 0;
}

ContactRecord CZepimView::FindContact(const std::u16string& email) const
{
    std::lock_guard view(m_viewLock);
    if (const CContactDisplay* row = m_list->FindByEmail(email))
        return row->Contact;
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

ContactRecord CZepimView::LookupParticipant(const std::u16string& email, QObject* context,
                                            std::function<void(const ContactRecord&)> resolved)
{
    ContactRecord found = FindContact(email);
    if (!found.email.empty())
        return found;
    if (EqualNoCase(email, m_own.email))
        return m_own;
    ContactRecord record;
    record.id = -1;
    record.email = email.substr(0, kEmailSize - 1);
    const auto at = email.find(u'@');
    record.name =
        (at == std::u16string::npos ? email : email.substr(0, at)).substr(0, kNameSize - 1);
    if (!resolved)
        return record;
    // The directory is asked on the worker; the bare record serves until it answers.
    const std::string address = QString::fromStdU16String(email).toStdString();
    m_session->Request<std::optional<ContactRecord>>(
        [address](ImConnection& conn) -> std::optional<ContactRecord> {
            std::vector<ContactRecordUtf8> users;
            ContactRecord wide;
            if (ImListUsers(conn, UserSearch::Email, address, users) == ImResult::Ok &&
                !users.empty() && ToUtf16(users.front(), wide) == ImResult::Ok)
                return wide;
            return std::nullopt;
        },
        context,
        [resolved, record](std::optional<ContactRecord> user) { resolved(user ? *user : record); });
    return record;
}

} // namespace zep
