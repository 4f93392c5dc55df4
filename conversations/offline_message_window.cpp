#include "conversations/offline_message_window.h"
#include "conversations/edit_actions.h"
#include "session/history_store.h"

#include "conversations/button_ex.h"
#include "conversations/offline_message_host.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "session/settings.h"
#include "ui/contrast.h"
#include "ui/placement.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>

namespace zep::conversations {

namespace {

QString Q(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString OfflineSendFailureText(ImResult result)
{
    if (result == ImResult::TooLarge)
        return QObject::tr("The message is too large. Please use a smaller message.");
    return QObject::tr("Failed to send message.");
}

COfflineMessageWindow* COfflineMessageWindow::CreateFor(int kind, const ContactRecord& contact,
                                                        OfflineMessageHost& host)
{
    const OfflineKind offlineKind = OfflineKindFromNumber(kind);
    const ContactRecord own = host.OwnRecord();
    const OfflineRecipients lists = FillRecipients(offlineKind, own, contact);
    if (!lists.Usable())
        return nullptr;
    auto* window = new COfflineMessageWindow(offlineKind, own, contact, host, lists);
    window->show();
    window->raise();
    window->activateWindow();
    // E-mail starts with its subject; SMS and pager texts are written at once.
    QWidget* first = offlineKind == OfflineKind::Email ? static_cast<QWidget*>(window->m_thirdBox)
                                                       : window->m_pane;
    first->setFocus(Qt::ActiveWindowFocusReason);
    return window;
}

COfflineMessageWindow::COfflineMessageWindow(OfflineKind kind, const ContactRecord& own,
                                             const ContactRecord& contact, OfflineMessageHost& host,
                                             const OfflineRecipients& lists)
    : QWidget(nullptr), m_host(&host), m_kind(kind), m_target(contact),
      m_limit(CharacterLimit(kind, own))
{
    // Closing a message window never ends the program, whatever else is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    BuildControls(lists);
    BuildMenus();
    setWindowTitle(Q(OfflineTitle(m_kind, m_target)));
    resize(340, 320);
    TextChanged();
}

COfflineMessageWindow::~COfflineMessageWindow() = default;

// ---- state ---------------------------------------------------------------------------------

void COfflineMessageWindow::TextChanged()
{
    if (m_limit > 0 && m_remaining != nullptr) {
        const std::u16string text = m_pane->toPlainText().toStdU16String();
        const std::size_t count = CountCharacters(text);
        m_remaining->setText(Q(RemainingText(m_limit, count)));
        // Past the limit the count turns red; it is still sent, the server cuts it.
        QPalette look = palette();
        if (count > static_cast<std::size_t>(m_limit))
            look.setColor(QPalette::WindowText,
                          Readable(QColor(200, 0, 0), m_body->palette().color(QPalette::Window)));
        else
            look.setColor(QPalette::WindowText, m_body->palette().color(QPalette::WindowText));
        m_remaining->setPalette(look);
    }
    UpdateSendButton();
}

bool COfflineMessageWindow::HoldsUnsentText() const
{
    return !m_delivered && (!m_pane->document()->isEmpty() ||
                            (m_subject != nullptr && !m_subject->text().isEmpty()));
}

void COfflineMessageWindow::UpdateSendButton()
{
    m_sendButton->setEnabled(!m_sending && !m_closed && !m_pane->document()->isEmpty());
}

void COfflineMessageWindow::SetSending(bool sending)
{
    m_sending = sending;
    m_pane->setReadOnly(sending);
    if (m_subject != nullptr)
        m_subject->setReadOnly(sending);
    UpdateSendButton();
}

void COfflineMessageWindow::ShowBox(const QString& text)
{
    emit MessageBoxShown(OpenWarningBox(this, text));
}

void COfflineMessageWindow::ApplyStoredPlacement()
{
    if (m_placed)
        return;
    m_placed = true;
    RestorePlacement(Settings(), setting::OfflineMessageWp, *this);
}

void COfflineMessageWindow::setVisible(bool visible)
{
    if (visible && !isVisible())
        ApplyStoredPlacement();
    QWidget::setVisible(visible);
}

// ---- sending -------------------------------------------------------------------------------

void COfflineMessageWindow::Send()
{
    // One message per window: a second press while the first is out sends nothing.
    if (m_sending || m_closed)
        return;
    OfflineDraft draft;
    draft.kind = m_kind;
    draft.from = m_fromList->currentText().toStdU16String();
    draft.to = m_toList->currentText().toStdU16String();
    if (m_kind == OfflineKind::Email)
        draft.subject = m_subject->text().toStdU16String();
    draft.text = m_pane->toPlainText().toStdU16String();

    OfflineMessage message;
    if (BuildOfflineMessage(draft, message) != ImResult::Ok) {
        ShowBox(OfflineSendFailureText(ImResult::Failed));
        return;
    }
    SetSending(true);
    m_sent = draft;
    m_host->SendOfflineMessage(std::move(message.type), std::move(message.headers),
                               std::move(message.body), this,
                               [this](ImResult result) { OnSendDone(result); });
}

void COfflineMessageWindow::OnSendDone(ImResult result)
{
    if (!m_sending || m_closed)
        return;
    Keep(result);
    if (result == ImResult::Ok) {
        // Delivered: the text stays read-only until the window is gone.
        m_sending = false;
        m_delivered = true;
        close();
        if (!m_closed)
            FinishClose();
        return;
    }
    // The text stays as it was, so the user can send it again (after the next logon).
    SetSending(false);
    m_pane->setFocus(Qt::OtherFocusReason);
    ShowBox(OfflineSendFailureText(result));
}

void COfflineMessageWindow::Keep(ImResult result)
{
    history::Store* store = m_host->History();
    if (store == nullptr || !store->IsOpen())
        return;
    const QString contact = Q(m_target.email);
    history::Entry entry;
    entry.conversation = store->NewConversation(QString(), {contact});
    entry.kind = history::EntryKind::Offline;
    entry.outgoing = true;
    entry.sender = Q(m_sent.from);
    entry.senderName = Q(m_host->OwnRecord().name);
    entry.participants = contact;
    entry.text = Q(m_sent.text);
    entry.channel = m_kind == OfflineKind::Email ? QStringLiteral("email")
                    : m_kind == OfflineKind::Sms ? QStringLiteral("sms")
                                                 : QStringLiteral("pager");
    entry.number = Q(m_sent.to);
    entry.subject = Q(m_sent.subject);
    entry.result = static_cast<int>(result);
    store->Append(std::move(entry));
}

// ---- closing -------------------------------------------------------------------------------

void COfflineMessageWindow::FinishClose()
{
    m_closed = true;
    UpdateSendButton();
    if (m_placed) {
        Settings settings;
        SavePlacement(settings, setting::OfflineMessageWp, *this);
    }
    m_host->OfflineWindowClosed(this);
}

void COfflineMessageWindow::closeEvent(QCloseEvent* event)
{
    // Text the user wrote is never thrown away without asking; a send already out goes on.
    if (!m_closed && !m_sending && !m_discardAsked && HoldsUnsentText()) {
        event->ignore();
        if (!m_discardBox.isNull())
            return; // already asked
        QPointer<COfflineMessageWindow> self(this);
        m_discardBox = OpenQuestionBox(this, tr("Discard this message?"), [self] {
            if (self.isNull())
                return;
            self->m_discardAsked = true;
            self->close();
        });
        emit MessageBoxShown(m_discardBox);
        return;
    }
    if (!m_closed)
        FinishClose();
    event->accept();
}

} // namespace zep::conversations
