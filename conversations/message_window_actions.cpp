// The window's actions: the font dialog, and inviting and blocking (after a question) through the
// contact picker.
#include "contacts/contact_dialog.h"
#include "contacts/record_display.h"
#include "conversations/button_ex.h"
#include "conversations/conversation_host.h"
#include "conversations/edit_actions.h"
#include "conversations/message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"

#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <memory>

namespace zep::conversations {

using contacts::CContactDialog;
using contacts::CContactDisplay;
using contacts::CContactDisplayList;
using contacts::ContactDisplayKind;
namespace pickercmd = contacts::pickercmd;

namespace {

QString Q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

std::unique_ptr<CContactDisplayList> WithInfoRowIfEmpty(std::unique_ptr<CContactDisplayList> rows,
                                                        const QString& info)
{
    if (!rows)
        rows = std::make_unique<CContactDisplayList>();
    if (rows->Empty()) {
        CContactDisplay row;
        row.Kind = ContactDisplayKind::InfoRow;
        row.Label = info.toStdU16String();
        rows->Add(row);
    }
    return rows;
}

} // namespace

// ---- font ----------------------------------------------------------------------------------

void MessageWindow::ChangeFont()
{
    if (!m_fontButton->isEnabled())
        return;
    OpenFontAndColourDialog(
        this, m_inputFont, m_inputColour,
        [this](const QFont& font, const QColor& colour) { ApplyInputFormat(font, colour); });
}

// ---- pickers -------------------------------------------------------------------------------

void MessageWindow::ClosePicker(QPointer<CContactDialog>& picker)
{
    if (!picker)
        return;
    disconnect(picker, nullptr, this, nullptr);
    picker->hide();
    picker->deleteLater();
    picker = nullptr;
}

bool MessageWindow::OpenPicker(QPointer<CContactDialog>& picker, const QString& title,
                               std::unique_ptr<CContactDisplayList> rows, int ok, int cancel)
{
    auto* dialog =
        new CContactDialog(title, contacts::kContactDialogHelp, std::move(rows), ok, cancel, this);
    dialog->SetLogo(m_logo);
    connect(dialog, &CContactDialog::HelpRequested, this,
            [this](unsigned context) { m_host->ShowHelp(static_cast<int>(context)); });
    if (!dialog->Open()) {
        dialog->deleteLater();
        return false;
    }
    picker = dialog;
    return true;
}

void MessageWindow::Invite()
{
    if (m_connectionLost || m_closed)
        return;
    ClosePicker(m_invitePicker);
    std::unique_ptr<CContactDisplayList> rows = m_host->OnlineContacts();
    if (rows) {
        // Someone who left can be asked back; those still here and the user cannot.
        std::vector<const CContactDisplay*> drop;
        for (const auto& row : *rows) {
            if (m_participants.IsIn(row->Contact.email) || m_participants.IsOwn(row->Contact.email))
                drop.push_back(row.get());
        }
        for (const CContactDisplay* row : drop)
            rows->Remove(row);
    }
    rows = WithInfoRowIfEmpty(
        std::move(rows),
        tr("All your online contacts have already been added to this conversation."));
    if (OpenPicker(m_invitePicker, tr("Invite"), std::move(rows), pickercmd::InviteOk,
                   pickercmd::InviteCancel))
        connect(m_invitePicker, &CContactDialog::Command, this,
                [this](int command) { OnInviteCommand(command); });
}

void MessageWindow::OnInviteCommand(int command)
{
    QPointer<CContactDialog> picker = m_invitePicker;
    m_invitePicker = nullptr;
    if (!picker)
        return;
    const std::optional<CContactDisplay> chosen = picker->Chosen();
    picker->deleteLater();
    if (command != pickercmd::InviteOk || !chosen)
        return;
    // The list may have changed while the picker was open.
    const std::optional<CContactDisplay> row = m_host->FindContactRow(chosen->Contact.email);
    if (!row || row->Kind != ContactDisplayKind::OnlineContact)
        return;
    const std::u16string email = row->Contact.email;
    const std::u16string name = row->Contact.name.empty() ? LocalPart(email) : row->Contact.name;
    m_host->InviteToSession(m_sessionId, email, this, [this, email, name](ImResult result) {
        OnInviteDone(email, name, result);
    });
}

void MessageWindow::OnInviteDone(const std::u16string& email, const std::u16string& name,
                                 ImResult result)
{
    if (result != ImResult::Ok) {
        ShowBox(InviteFailureText(result, Q(name)));
        return;
    }
    if (!m_participants.Add(email, name)) {
        ShowBox(InviteFailureText(ImResult::Failed, Q(name)));
        return;
    }
    const Participant* joined = m_participants.Find(email);
    AddCaption(Q(NoticeText({ParticipantNotice::Kind::Joined, joined->email, joined->name})));
    m_history->ScrollToEnd();
    ParticipantsChanged();
    if (isVisible() && ApplicationInactive())
        StartFlashing();
    // An invitation accepted by the server revives a session that had timed out.
    if (!m_connectionLost)
        m_sessionEnded = false;
    UpdateInputState();
}

void MessageWindow::Block()
{
    if (m_connectionLost || m_closed || m_blockListing)
        return;
    ClosePicker(m_blockPicker);
    m_blockListing = true;
    m_host->ListBlocked(this, [this](ImResult result, std::vector<ContactRecord> blocked) {
        OnBlockList(result, blocked);
    });
}

void MessageWindow::OnBlockList(ImResult result, const std::vector<ContactRecord>& blocked)
{
    m_blockListing = false;
    if (m_connectionLost || m_closed)
        return;
    // Without the blocked list everyone is offered; blocking twice is harmless.
    const std::vector<ContactRecord> none;
    const std::vector<ContactRecord>& already = result == ImResult::Ok ? blocked : none;
    auto rows = std::make_unique<CContactDisplayList>();
    for (const Participant& p : m_participants.All()) {
        if (p.left || m_participants.IsOwn(p.email))
            continue;
        const bool isBlocked = std::any_of(already.begin(), already.end(), [&](const auto& b) {
            return contacts::EqualNoCase(b.email, p.email);
        });
        if (isBlocked)
            continue;
        if (std::optional<CContactDisplay> row = m_host->FindContactRow(p.email)) {
            row->Indent = 0;
            rows->Add(*row);
        }
    }
    rows =
        WithInfoRowIfEmpty(std::move(rows), tr("All participants are already in your block list."));
    if (OpenPicker(m_blockPicker, tr("Block"), std::move(rows), pickercmd::BlockOk,
                   pickercmd::BlockCancel))
        connect(m_blockPicker, &CContactDialog::Command, this,
                [this](int command) { OnBlockCommand(command); });
}

void MessageWindow::OnBlockCommand(int command)
{
    QPointer<CContactDialog> picker = m_blockPicker;
    m_blockPicker = nullptr;
    if (!picker)
        return;
    const std::optional<CContactDisplay> chosen = picker->Chosen();
    picker->deleteLater();
    if (command != pickercmd::BlockOk || !chosen)
        return;
    const std::optional<CContactDisplay> row = m_host->FindContactRow(chosen->Contact.email);
    if (!row)
        return;
    ConfirmBlock(row->Contact.email, row->Contact.name);
}

void MessageWindow::ConfirmBlock(const std::u16string& email, const std::u16string& name)
{
    QMessageBox* box = OpenQuestionBox(
        this, tr("Block '%1'? You will no longer receive messages from this user.").arg(Q(name)),
        [this, email] {
            if (m_connectionLost || m_closed)
                return;
            // Looked up again: the contact may have gone while the question was up.
            if (const std::optional<CContactDisplay> row = m_host->FindContactRow(email))
                m_host->BlockContact(row->Contact);
        });
    box->setObjectName(QStringLiteral("ConfirmBlock"));
    emit MessageBoxShown(box);
}

} // namespace zep::conversations
