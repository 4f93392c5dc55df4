// The contact list's actions in the logged-on view: activating a row, the contact menu, the
// offline message windows, deleting a contact, and the add-contact wizard, the delete picker
// and the Blocked Contacts window of the main frame. Everything here runs on the UI thread;
// requests go to the session's worker, and every answer looks the contact up again, as it may
// be gone by then.
#include "app/zepim_view.h"

#include "app/main_frame.h"
#include "contacts/add_contact_sheet.h"
#include "contacts/block_list.h"
#include "contacts/block_requests.h"
#include "contacts/contact_dialog.h"
#include "contacts/record_display.h"
#include "conversations/edit_actions.h"
#include "conversations/history_window.h"
#include "desktop/desktop_notice.h"
#include "protocol/requests.h"
#include "session/presence_alerts.h"
#include "transport/im_connection.h"
#include "ui/display_texts.h"
#include "ui/help.h"
#include "ui/logo.h"

#include <QMessageBox>
#include <QTimer>

namespace zep {

using contacts::AddContactOutcome;
using contacts::CContactDisplay;
using contacts::ContactDisplayKind;
using contacts::OfflineKind;
using contacts::RowAction;

namespace {

// Commands of the contact menu.
namespace menucmd {
constexpr int SendIm = 1;
constexpr int SendSms = 2;
constexpr int SendPager = 3;
constexpr int SendEmail = 4;
constexpr int Block = 5;
constexpr int Delete = 6;
constexpr int ViewHistory = 7;
constexpr int NotifyOnline = 8;
} // namespace menucmd

std::string Utf8(const std::u16string& text)
{
    return QString::fromStdU16String(text).toStdString();
}

QPixmap PickerLogo()
{
    QImage logo;
    if (!LoadLogo(logo))
        return {};
    return TransparentTopLeft(logo);
}

} // namespace

void CZepimView::OnRowActivated(const CContactDisplay* row)
{
    if (row == nullptr || m_shutDown)
        return;
    const std::u16string email = row->Contact.email;
    switch (contacts::ActivationFor(m_own, *row)) {
    case RowAction::StartConversation:
        StartConversation(email);
        break;
    case RowAction::AddContact:
        // Posted, as the menu command is: the list finishes its click first.
        QMetaObject::invokeMethod(this, &CZepimView::OpenAddContact, Qt::QueuedConnection);
        break;
    case RowAction::OpenEmail:
        OpenOfflineWindow(OfflineKind::Email, email);
        break;
    case RowAction::OpenSms:
        OpenOfflineWindow(OfflineKind::Sms, email);
        break;
    case RowAction::OpenPager:
        OpenOfflineWindow(OfflineKind::Pager, email);
        break;
    case RowAction::LaunchMail:
        if (m_frame != nullptr)
            m_frame->LaunchMail();
        break;
    case RowAction::ToggleGroup: // the list toggles its headers itself
    case RowAction::None:
        break;
    }
}

void CZepimView::OpenContactMenu(const std::u16string& email, const QPoint& globalPos)
{
    if (m_shutDown)
        return;
    if (m_contactMenu)
        m_contactMenu->close();
    contacts::ContactMenuState state;
    {
        std::lock_guard view(m_viewLock);
        const CContactDisplay* row = m_list->FindByEmail(email);
        if (row == nullptr)
            return;
        state = contacts::MenuStateFor(m_own, *row);
    }
    // popup(), never exec(): a server event handled while the menu is open may remove the
    // contact or end the view; the choice looks the contact up again.
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ContactMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [menu](const QString& text, int command, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setData(command);
        action->setEnabled(enabled);
        return action;
    };
    add(tr("Send Instant Message"), menucmd::SendIm, state.instantMessage);
    menu->addSeparator();
    add(tr("Send SMS Message"), menucmd::SendSms, state.sms);
    add(tr("Send Pager Message"), menucmd::SendPager, state.pager);
    add(tr("Send Email"), menucmd::SendEmail, true);
    menu->addSeparator();
    add(tr("Block"), menucmd::Block, true);
    add(tr("Delete Contact"), menucmd::Delete, true);
    menu->addSeparator();
    add(tr("View History..."), menucmd::ViewHistory, History() != nullptr);
    menu->addSeparator();
    QAction* notify = add(tr("Notify Me When Online"), menucmd::NotifyOnline, true);
    notify->setCheckable(true);
    notify->setChecked(presence_alerts::Wanted(m_own.email, email));
    connect(menu, &QMenu::triggered, this, [this, email](QAction* action) {
        // Queued: the menu closes before a window opens or a box shows.
        const int command = action->data().toInt();
        QMetaObject::invokeMethod(
            this, [this, command, email] { OnContactCommand(command, email); },
            Qt::QueuedConnection);
    });
    m_contactMenu = menu;
    window()->activateWindow();
    menu->popup(globalPos);
}

void CZepimView::OnContactCommand(int command, const std::u16string& email)
{
    if (m_shutDown)
        return;
    const ContactRecord contact = FindContact(email);
    if (contact.email.empty())
        return; // removed while the menu was open
    const std::optional<CContactDisplay> row = FindContactRow(email);
    const contacts::ContactMenuState state =
        row ? contacts::MenuStateFor(m_own, *row) : contacts::ContactMenuState{};
    switch (command) {
    case menucmd::SendIm:
        if (state.instantMessage)
            StartConversation(email);
        break;
    case menucmd::SendSms:
        if (state.sms)
            OpenOfflineWindow(OfflineKind::Sms, email);
        break;
    case menucmd::SendPager:
        if (state.pager)
            OpenOfflineWindow(OfflineKind::Pager, email);
        break;
    case menucmd::SendEmail:
        OpenOfflineWindow(OfflineKind::Email, email);
        break;
    case menucmd::Block: {
        // Asked first, as in a conversation: a block is not something to do by a slip.
        QMessageBox* box = conversations::OpenQuestionBox(
            window(),
            tr("Block '%1'? You will no longer receive messages from this user.")
                .arg(QString::fromStdU16String(contact.name)),
            // The box belongs to the frame, which outlives a view that logs off meanwhile.
            [self = QPointer<CZepimView>(this), email] {
                const ContactRecord now =
                    !self || self->m_shutDown ? ContactRecord{} : self->FindContact(email);
                if (!now.email.empty())
                    self->BlockContact(now);
            });
        box->setObjectName(QStringLiteral("ConfirmBlock"));
        break;
    }
    case menucmd::Delete:
        DeleteContact(contact);
        break;
    case menucmd::ViewHistory:
        if (history::Store* store = History())
            conversations::HistoryWindow::Open(*store, QString::fromStdU16String(email));
        break;
    case menucmd::NotifyOnline:
        presence_alerts::Set(m_own.email, email, !presence_alerts::Wanted(m_own.email, email));
        break;
    default:
        break;
    }
}

void CZepimView::AnnounceSignIn(const ContactRecord& contact)
{
    if (!presence_alerts::Wanted(m_own.email, contact.email))
        return;
    const QString address = QString::fromStdU16String(contact.email);
    const QString name = contact.name.empty() ? address : QString::fromStdU16String(contact.name);
    Notice notice(NoticeKind::Presence, tr("%1 is online").arg(name), address, window());
    notice.subject = address.toCaseFolded();
    // Offered as the contact menu offers it; the menu's command then looks the contact up
    // again, who may have gone offline or been deleted meanwhile.
    if (contacts::MenuStateFor(m_own, RowFor(contact)).instantMessage)
        notice.actions.push_back({QStringLiteral("send-im"), tr("Send Instant Message"),
                                  [self = QPointer<CZepimView>(this), email = contact.email] {
                                      if (self)
                                          self->OnContactCommand(menucmd::SendIm, email);
                                  }});
    PostNotice(notice);
}

int CZepimView::OpenOfflineWindow(OfflineKind kind, const std::u16string& email)
{
    const ContactRecord contact = FindContact(email);
    if (contact.email.empty())
        return static_cast<int>(ImResult::NotFound);
    if (!m_frame)
        return static_cast<int>(ImResult::NoMemory);
    return m_frame->OpenOfflineMessage(kind, contact, m_own);
}

void CZepimView::SendOfflineMessage(std::string type, std::string headers, std::string body,
                                    QObject* context, std::function<void(ImResult)> done)
{
    // After the log-off the session answers ConnectionClosed itself, even once the view is gone.
    m_session->Request<ImResult>(
        [type = std::move(type), headers = std::move(headers),
         body = std::move(body)](ImConnection& conn) {
            LineList reply;
            return ImMessage(conn, type, headers, body, reply);
        },
        context, std::move(done));
}

void CZepimView::FetchVariables(QObject* context,
                                std::function<void(ImResult, ServerVariables)> done)
{
    using Answer = std::pair<ImResult, ServerVariables>;
    m_session->Request<Answer>(
        [](ImConnection& conn) {
            Answer answer;
            answer.first = ImGetVariable(conn, answer.second);
            return answer;
        },
        context, [done](Answer answer) { done(answer.first, std::move(answer.second)); });
}

void CZepimView::StoreVariables(ServerVariables variables, QObject* context,
                                std::function<void(ImResult)> done)
{
    m_session->Request<ImResult>([variables = std::move(variables)](
                                     ImConnection& conn) { return ImSetVariable(conn, variables); },
                                 context, std::move(done));
}

void CZepimView::ConfirmDelete(const std::u16string& email)
{
    if (m_shutDown || FindContact(email).email.empty())
        return;
    auto* box = new QMessageBox(QMessageBox::Question, text::AppTitle(),
                                tr("Are you sure you want to delete this contact?"),
                                QMessageBox::Yes | QMessageBox::No, window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setObjectName(QStringLiteral("ConfirmDelete"));
    box->setWindowModality(Qt::WindowModal);
    box->setDefaultButton(QMessageBox::No);
    connect(box, &QMessageBox::finished, this, [this, box, email](int) {
        if (box->result() != QMessageBox::Yes || m_shutDown)
            return;
        // Looked up again: the contact may have gone while the question was up.
        const ContactRecord contact = FindContact(email);
        if (!contact.email.empty())
            DeleteContact(contact);
    });
    box->open();
    emit messageShown(box->text());
}

void CZepimView::DeleteContact(const ContactRecord& contact)
{
    if (m_shutDown)
        return;
    const std::string address = Utf8(contact.email);
    const std::int32_t id = contact.id;
    m_session->Request<bool>(
        [address, id](ImConnection& conn) {
            if (ImUnsubscribe(conn, {address}) != ImResult::Ok)
                return false;
            if (ImContactDel(conn, id) != ImResult::Ok) {
                // Still a contact: without its subscription its presence would freeze.
                std::vector<ContactRecordUtf8> again(1);
                again[0].email = address;
                ImSubscribe(conn, again);
                return false;
            }
            return true;
        },
        this,
        [this, contact](bool deleted) {
            bool removed = false;
            if (deleted) {
                std::lock_guard view(m_viewLock);
                removed = m_list->RemoveContact(contact.email);
                m_list->RefreshList();
            }
            // A row that is already gone was deleted all the same.
            if (m_shutDown)
                return;
            if (!deleted || (!removed && !FindContact(contact.email).email.empty()))
                ShowMessage(tr("Failed to remove '%1' from your contact list.")
                                .arg(QString::fromStdU16String(contact.name)));
            emit Changed();
        });
}

void CZepimView::OpenAddContact()
{
    if (m_shutDown)
        return;
    if (m_addSheet) {
        m_addSheet->raise();
        m_addSheet->activateWindow();
        return;
    }
    auto* sheet = new contacts::CAddContactSheet(*this, window());
    sheet->SetLogo(PickerLogo());
    sheet->SetOwnRecord(m_own);
    // Deleted from the view's queue, once the sheet's own code is off the stack.
    connect(
        sheet, &contacts::CAddContactSheet::Finished, this,
        [sheet = QPointer<contacts::CAddContactSheet>(sheet)] { delete sheet.data(); },
        Qt::QueuedConnection);
    m_addSheet = sheet;
    sheet->Open();
}

void CZepimView::UnblockContact(const ContactRecord& user, QObject* context,
                                std::function<void(ImResult)> done)
{
    // After the log-off the session answers ConnectionClosed itself, even once the view is gone.
    m_session->Request<ImResult>(
        [email = user.email](ImConnection& conn) { return RequestUnblock(conn, email); }, context,
        std::move(done));
}

void CZepimView::OpenBlockedContacts()
{
    if (m_shutDown)
        return;
    if (m_blockedWindow) {
        m_blockedWindow->raise();
        m_blockedWindow->activateWindow();
        return;
    }
    auto* blocked = new contacts::CBlockedContactsWindow(*this, window());
    blocked->SetLogo(PickerLogo());
    connect(
        blocked, &contacts::CBlockedContactsWindow::Finished, this,
        [blocked = QPointer<contacts::CBlockedContactsWindow>(blocked)] {
            if (blocked)
                blocked->deleteLater();
        },
        Qt::QueuedConnection);
    m_blockedWindow = blocked;
    blocked->Open();
}

void CZepimView::OpenDeletePicker()
{
    if (m_shutDown)
        return;
    if (m_deletePicker) {
        m_deletePicker->raise();
        m_deletePicker->activateWindow();
        return;
    }
    std::unique_ptr<contacts::CContactDisplayList> rows;
    {
        std::lock_guard view(m_viewLock);
        rows = m_list->CopyContacts(true);
    }
    if (!rows)
        rows = std::make_unique<contacts::CContactDisplayList>();
    if (rows->Empty()) {
        CContactDisplay info;
        info.Kind = ContactDisplayKind::InfoRow;
        info.Label = tr("You have no contacts.").toStdU16String();
        rows->Add(info);
    }
    auto* picker = new contacts::CContactDialog(
        tr("Delete a contact"), contacts::kContactDialogHelp, std::move(rows),
        contacts::pickercmd::DeleteOk, contacts::pickercmd::DeleteCancel, window());
    picker->SetLogo(PickerLogo());
    connect(picker, &contacts::CContactDialog::HelpRequested, this,
            [](unsigned context) { zep::ShowHelp(context); });
    connect(picker, &contacts::CContactDialog::Command, this, [this, picker](int command) {
        const std::optional<CContactDisplay> chosen = picker->Chosen();
        picker->deleteLater();
        if (command != contacts::pickercmd::DeleteOk || !chosen || m_shutDown)
            return;
        // Looked up again at OK: the contact may have been removed meanwhile.
        const ContactRecord contact = FindContact(chosen->Contact.email);
        if (!contact.email.empty())
            DeleteContact(contact);
    });
    m_deletePicker = picker;
    if (!picker->Open())
        picker->deleteLater();
}

void CZepimView::SearchUsers(std::u16string text, QObject* context,
                             std::function<void(ImResult, std::vector<ContactRecord>)> done)
{
    using Answer = std::pair<ImResult, std::vector<ContactRecord>>;
    if (m_shutDown)
        return;
    m_session->Request<Answer>(
        [text = Utf8(text)](ImConnection& conn) {
            std::vector<ContactRecordUtf8> users;
            Answer answer{ImListUsers(conn, UserSearch::SearchEmail, text, users), {}};
            answer.second.reserve(users.size());
            for (const ContactRecordUtf8& user : users) {
                ContactRecord wide;
                if (ToUtf16(user, wide) == ImResult::Ok)
                    answer.second.push_back(std::move(wide));
            }
            return answer;
        },
        context, [done](Answer answer) { done(answer.first, std::move(answer.second)); });
}

void CZepimView::AddContact(const ContactRecord& chosen, QObject* context,
                            std::function<void(AddContactOutcome)> done)
{
    QPointer<QObject> guard(context);
    const auto tell = [guard, done](AddContactOutcome outcome) {
        if (guard && done)
            done(outcome);
    };
    if (!FindContact(chosen.email).email.empty()) {
        QTimer::singleShot(0, this, [tell] { tell(AddContactOutcome::AlreadyAdded); });
        return;
    }
    if (m_shutDown) {
        QTimer::singleShot(0, this, [tell] { tell(AddContactOutcome::Failed); });
        return;
    }
    struct Added
    {
        AddContactOutcome outcome = AddContactOutcome::Failed;
        ContactRecord record;
    };
    ContactRecordUtf8 wire;
    if (ToUtf8(chosen, wire) != ImResult::Ok) {
        QTimer::singleShot(0, this, [tell] { tell(AddContactOutcome::Failed); });
        return;
    }
    // The chain belongs to the view: a wizard cancelled meanwhile still gets its row.
    m_session->Request<Added>(
        [wire, chosen](ImConnection& conn) {
            Added added;
            added.record = chosen;
            // Adding a blocked user would leave it blocked (or be refused as present already);
            // the user decides first whether to take it off the block list.
            std::vector<ContactRecord> blocked;
            if (RequestBlockList(conn, blocked) == ImResult::Ok &&
                contacts::FindBlocked(blocked, chosen.email) != nullptr) {
                added.outcome = AddContactOutcome::Blocked;
                return added;
            }
            const ImResult result = ImContactAdd(conn, ListType::Contact, wire.id);
            if (result == ImResult::AlreadyPresent) {
                added.outcome = AddContactOutcome::AlreadyAdded;
                return added;
            }
            if (result != ImResult::Ok)
                return added;
            added.outcome = AddContactOutcome::Added;
            // The subscription fills the presence fields; without it the row shows offline
            // until the contact's next PRESENCE.
            std::vector<ContactRecordUtf8> subscribe{wire};
            ContactRecord present;
            if (ImSubscribe(conn, subscribe) == ImResult::Ok && subscribe.size() == 1 &&
                ToUtf16(subscribe[0], present) == ImResult::Ok) {
                present.id = chosen.id;
                present.name = chosen.name;
                present.email = chosen.email;
                added.record = present;
            } else {
                added.record.status = PresenceStatus::Unavailable;
            }
            return added;
        },
        this,
        [this, tell](Added added) {
            if (added.outcome == AddContactOutcome::Added) {
                std::lock_guard view(m_viewLock);
                if (m_list->FindByEmail(added.record.email) == nullptr)
                    m_list->AddDisplay(RowFor(added.record), true);
                emit Changed();
            }
            tell(added.outcome);
        },
        Added{});
}

} // namespace zep
