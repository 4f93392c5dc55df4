#include "conversations/message_window.h"
#include "conversations/edit_actions.h"
#include "conversations/links.h"

#include "contacts/contact_dialog.h"
#include "conversations/button_ex.h"
#include "conversations/conversation_host.h"
#include "conversations/drafts.h"
#include "conversations/message_parts.h"
#include "conversations/pane_colours.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "conversations/rtf_reader.h"
#include "conversations/rtf_writer.h"
#include "conversations/time_stamps.h"
#include "session/attention.h"
#include "session/settings.h"
#include "ui/placement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <ctime>
#include <memory>

namespace zep::conversations {

namespace {

constexpr int kFlashPeriodMs = 1000;
// Caption lines are grey on the white history.
const QColor kCaptionColour(109, 109, 109);
// Lines of earlier conversations: greyer than the captions.
const QColor kEarlierColour(150, 150, 150);
constexpr int kEarlierLines = 20;

QString Q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

QFont InterfaceFont()
{
    return WithRealFamily(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
}

// Without a colour the text takes the pane's own text colour; a colour is drawn readable on
// the pane's base.
QTextCharFormat TextFormat(const QColor& colour = {}, const QColor& paneBase = Qt::white)
{
    QTextCharFormat format;
    format.setFont(InterfaceFont());
    if (colour.isValid())
        SetWrittenColour(format, colour, paneBase);
    return format;
}

// "message_color" holds a colour reference: red in the low byte, then green, then blue.
int ToColourRef(const QColor& colour)
{
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QColor FromColourRef(int value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

std::tm LocalNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

int SendRangeEnd(const QString& plain)
{
    const QStringList lines = plain.split(u'\n');
    qsizetype top = lines.size();
    // Line 0 never belongs to the trailing run; every later line does while it is empty.
    while (top > 1 && lines[top - 1].isEmpty())
        --top;
    if (top == lines.size())
        return static_cast<int>(plain.size());
    int start = 0;
    for (qsizetype i = 0; i < top; ++i)
        start += static_cast<int>(lines[i].size()) + 1;
    return start;
}

QString SendFailureText(ImResult result)
{
    switch (result) {
    case ImResult::TooLarge:
        return QObject::tr("The message is too large. Please use a smaller message.");
    case ImResult::ContentUnacceptable:
        return QObject::tr("Failed to send message - content unacceptable.");
    default:
        return QObject::tr("Failed to send message.");
    }
}

QString InviteFailureText(ImResult result, const QString& name)
{
    switch (result) {
    case ImResult::AlreadyPresent:
        return QObject::tr("'%1' has already joined the conversation").arg(name);
    case ImResult::CharsetMismatch:
        return QObject::tr("You can not send an instant message to a contact with a different "
                           "character set.");
    default:
        return QObject::tr("Failed to invite '%1'.").arg(name);
    }
}

MessageWindow::MessageWindow(ConversationHost& host, std::string sessionId)
    : QWidget(nullptr), m_host(&host), m_sessionId(std::move(sessionId)), m_own(host.OwnRecord()),
      m_participants(m_own.email), m_enterSends(m_own.accountFlags.enterSendsMessage)
{
    // Closing a conversation never ends the program, whatever else is open.
    setAttribute(Qt::WA_QuitOnClose, false);

    const Settings settings;
    m_timestamps = settings.ReadInt(setting::ShowTimestamps, defaults::ShowTimestamps) != 0;
    const QString storedFont = settings.ReadText(setting::MessageLf);
    if (storedFont.isEmpty() || !m_inputFont.fromString(storedFont))
        m_inputFont = InterfaceFont();
    m_inputColour = settings.Contains(setting::MessageColor)
                        ? FromColourRef(settings.ReadInt(setting::MessageColor, 0))
                        : QColor(Qt::black);

    BuildControls();
    BuildMenus();
    ApplyInputFormat(m_inputFont, m_inputColour);

    m_flashTimer.setInterval(kFlashPeriodMs);
    connect(&m_flashTimer, &QTimer::timeout, this,
            [this] { QApplication::alert(this, kFlashPeriodMs / 2); });

    resize(300, 380);
    SetMinimumFromControls();
    ParticipantsChanged();
    UpdateInputState();
}

MessageWindow::~MessageWindow()
{
    ClosePicker(m_invitePicker);
    ClosePicker(m_blockPicker);
}

bool MessageWindow::AddParticipant(const std::u16string& email, const std::u16string& name)
{
    if (!m_participants.Add(email, name))
        return false;
    ShowEarlierLines();
    ParticipantsChanged();
    UpdateInputState();
    return true;
}

void MessageWindow::UpdateParticipantName(const std::u16string& email, const std::u16string& name)
{
    if (m_participants.UpdateName(email, name))
        ParticipantsChanged();
}

void MessageWindow::AnnounceJoined(const std::u16string& email, std::u16string name)
{
    const auto it =
        std::find_if(m_unnamedJoins.begin(), m_unnamedJoins.end(),
                     [&email](const std::u16string& e) { return contacts::EqualNoCase(e, email); });
    if (it == m_unnamedJoins.end())
        return;
    m_unnamedJoins.erase(it);
    if (const Participant* p = m_participants.Find(email))
        name = p->name;
    AddNotice(Q(NoticeText({ParticipantNotice::Kind::Joined, email, name})));
    m_history->ScrollToEnd();
}

QString MessageWindow::ToLine() const
{
    return m_toLine->text();
}

bool MessageWindow::IsOneToOneWith(const std::u16string& email) const
{
    if (m_sessionEnded)
        return false;
    const auto others = m_participants.Others();
    return others.size() == 1 && contacts::EqualNoCase(others.front()->email, email);
}

// ---- history -------------------------------------------------------------------------------

qreal MessageWindow::MessageIndent() const
{
    return QFontMetrics(m_history->font()).averageCharWidth();
}

void MessageWindow::AddCaption(const QString& text)
{
    QTextCursor end(m_history->document());
    end.movePosition(QTextCursor::End);
    if (m_history->LastLineHoldsText())
        end.insertBlock();
    QTextBlockFormat flush;
    flush.setLeftMargin(0);
    end.setBlockFormat(flush);
    QString caption = text;
    if (m_timestamps) {
        const QDateTime now = QDateTime::currentDateTime();
        const QLocale locale;
        // A new day gets a line of its own, centred, before its first caption.
        if (m_lastDay.isValid() && now.date() != m_lastDay) {
            QTextBlockFormat centred;
            centred.setAlignment(Qt::AlignHCenter);
            end.setBlockFormat(centred);
            end.insertText(locale.toString(now.date(), QLocale::LongFormat),
                           TextFormat(kCaptionColour, m_history->Colours().Base()));
            end.insertBlock(flush);
        }
        m_lastDay = now.date();
        caption += QStringLiteral(" (%1)").arg(ClockTime(now.time(), locale));
    }
    end.insertText(caption + u':', TextFormat(kCaptionColour, m_history->Colours().Base()));
    end.insertBlock(flush, TextFormat());
}

void MessageWindow::AddNotice(const QString& text)
{
    AddCaption(text);
    Keep(history::EntryKind::Notice, false, {}, {}, text);
}

void MessageWindow::Keep(history::EntryKind kind, bool outgoing, const std::u16string& email,
                         const std::u16string& name, const QString& text, const std::string& rtf)
{
    history::Store* store = m_host->History();
    if (store == nullptr || !store->IsOpen())
        return;
    QStringList in;
    for (const Participant* p : m_participants.Others())
        in << Q(p->email);
    if (m_kept == 0)
        m_kept = store->NewConversation(QString::fromStdString(m_sessionId), in);
    history::Entry entry;
    entry.conversation = m_kept;
    entry.kind = kind;
    entry.outgoing = outgoing;
    entry.sender = Q(email);
    entry.senderName = Q(name);
    entry.participants = in.join(u',');
    entry.text = text;
    entry.rtf = QByteArray::fromStdString(rtf);
    store->Append(std::move(entry));
}

void MessageWindow::ShowEarlierLines()
{
    history::Store* store = m_host->History();
    const std::vector<const Participant*> others = m_participants.Others();
    if (m_earlierShown || others.empty())
        return;
    m_earlierShown = true;
    if (store == nullptr || !store->IsOpen() || !m_history->document()->isEmpty())
        return;
    const std::u16string& email = others.front()->email;
    store->Flush(); // what a window closed a moment ago said belongs to it
    const std::vector<history::Entry> earlier = store->Recent(Q(email), kEarlierLines);
    if (earlier.empty())
        return;
    const QLocale locale;
    QTextCursor end(m_history->document());
    end.movePosition(QTextCursor::End);
    const QTextCharFormat grey = TextFormat(kEarlierColour, m_history->Colours().Base());
    for (const history::Entry& e : earlier) {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(e.time);
        const QString stamp = DateAndTime(when, locale);
        if (!end.block().text().isEmpty())
            end.insertBlock();
        end.insertText(e.kind == history::EntryKind::Notice
                           ? QStringLiteral("[%1] %2").arg(stamp, e.text)
                           : QStringLiteral("[%1] %2: %3").arg(stamp, e.senderName, e.text),
                       grey);
    }
    // The separator: a rule under the last earlier line.
    QTextBlockFormat rule;
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 100));
    end.insertBlock(rule);
    end.insertBlock(QTextBlockFormat(), TextFormat());
}

void MessageWindow::AddRichBlock(const RtfDocument& received)
{
    // Empty paragraphs at the end of a message would only leave gaps in the history.
    RtfDocument document = received;
    const auto empty = [](const RtfParagraph& p) {
        return std::all_of(p.runs.begin(), p.runs.end(),
                           [](const RtfRun& run) { return run.text.empty(); });
    };
    while (document.paragraphs.size() > 1 && empty(document.paragraphs.back())) {
        document.paragraphs.pop_back();
        document.endsWithBreak = true;
    }
    m_history->setUpdatesEnabled(false);
    const int start = m_history->AppendRtf(document, TextFormat());
    MarkLinks(*m_history->document(), start);
    if (m_history->LastLineHoldsText()) {
        QTextCursor end(m_history->document());
        end.movePosition(QTextCursor::End);
        QTextBlockFormat flush;
        flush.setLeftMargin(0);
        end.insertBlock(flush, TextFormat());
    }
    m_history->IndentFrom(start, MessageIndent());
    m_history->setUpdatesEnabled(true);
}

void MessageWindow::AddPlainBlock(const QString& text)
{
    m_history->setUpdatesEnabled(false);
    const int start = m_history->AppendPlain(text, TextFormat());
    MarkLinks(*m_history->document(), start);
    m_history->IndentFrom(start, MessageIndent());
    m_history->setUpdatesEnabled(true);
}

// ---- state ---------------------------------------------------------------------------------

void MessageWindow::ParticipantsChanged()
{
    m_toLine->setText(Q(m_participants.ToLine()));
    UpdateTitle();
    LayOut();
}

void MessageWindow::UpdateTitle()
{
    const QString title = Q(m_participants.Title());
    setWindowTitle(m_unread > 0 ? QStringLiteral("(%1) %2").arg(m_unread).arg(title) : title);
}

void MessageWindow::UpdateInputState()
{
    const bool writable =
        !m_connectionLost && SessionWritable(m_participants.InSession(), m_sessionEnded);
    m_input->setReadOnly(!writable);
    // A pane that takes no text looks like one and says why.
    QPalette look = m_input->palette();
    look.setColor(
        QPalette::Active, QPalette::Base,
        palette().color(writable ? QPalette::Active : QPalette::Disabled, QPalette::Base));
    look.setColor(
        QPalette::Inactive, QPalette::Base,
        palette().color(writable ? QPalette::Inactive : QPalette::Disabled, QPalette::Base));
    m_input->setPalette(look);
    m_input->setPlaceholderText(writable ? QString()
                                : m_connectionLost
                                    ? tr("Not connected: this conversation has ended.")
                                : m_sessionEnded ? tr("The session has timed out.")
                                                 : tr("Everyone else has left. Use Invite to "
                                                      "bring someone back."));
    m_fontButton->setEnabled(writable);
    m_emojiButton->setEnabled(writable);
    UpdateSendButton();
}

void MessageWindow::UpdateSendButton()
{
    m_sendButton->setEnabled(!m_input->isReadOnly() && !m_pending &&
                             !m_input->document()->isEmpty());
}

bool MessageWindow::ApplicationInactive() const
{
    return QApplication::activeWindow() == nullptr;
}

void MessageWindow::StartFlashing()
{
    if (m_flashTimer.isActive())
        return;
    QApplication::alert(this, kFlashPeriodMs / 2);
    m_flashTimer.start();
}

void MessageWindow::StopFlashing()
{
    m_flashTimer.stop();
}

void MessageWindow::ShowBox(const QString& text)
{
    emit MessageBoxShown(OpenWarningBox(this, text));
}

void MessageWindow::ApplyStoredPlacement()
{
    if (m_placed)
        return;
    m_placed = true;
    RestorePlacement(Settings(), setting::MessageWp, *this);
}

void MessageWindow::setVisible(bool visible)
{
    // The stored placement applies to the first showing, whichever way it comes, and so does
    // the draft left in an earlier conversation with the same contact.
    if (visible && !isVisible())
        FirstShowing();
    // Shown again for whatever reason (a message, the user's own start): the close is off.
    if (visible)
        m_closeWhenAnswered = false;
    QWidget::setVisible(visible);
}

void MessageWindow::FirstShowing()
{
    if (m_placed)
        return;
    ApplyStoredPlacement();
    if (const std::u16string contact = DraftContact(); !contact.empty()) {
        if (std::optional<QTextDocumentFragment> draft = TakeDraft(m_own.email, contact))
            RestoreDraft(*draft);
    }
}

std::u16string MessageWindow::DraftContact() const
{
    // Drafts belong to conversations with one other person.
    const Participant* other = nullptr;
    for (const Participant& p : m_participants.All()) {
        if (m_participants.IsOwn(p.email))
            continue;
        if (other != nullptr)
            return {};
        other = &p;
    }
    return other != nullptr ? other->email : std::u16string();
}

void MessageWindow::ShowWithoutActivating()
{
    // The stored placement first: restored on the way to the screen, on X11 it would undo the
    // minimised state, and the window would come up normal and take the keyboard.
    FirstShowing();
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    setWindowState((windowState() & ~(Qt::WindowActive | Qt::WindowMaximized)) |
                   Qt::WindowMinimized);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void MessageWindow::ShowAndActivate()
{
    if (!isVisible())
        show();
    BringToFront();
    m_input->setFocus(Qt::ActiveWindowFocusReason);
}

void MessageWindow::BringToFront()
{
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MessageWindow::ApplyInputFormat(const QFont& font, const QColor& colour)
{
    m_inputFont = font;
    m_inputColour = colour.isValid() ? colour : QColor(Qt::black);
    QTextCharFormat format;
    format.setFont(m_inputFont);
    SetWrittenColour(format, m_inputColour, m_input->Colours().Base());
    m_input->mergeCurrentCharFormat(format);
}

// ---- session events ------------------------------------------------------------------------

void MessageWindow::OnSessionUpdate(const std::u16string& emailList)
{
    // Someone the directory is asked about joins under their name once it answers; until then
    // they are in the list under a provisional one, so their messages find them.
    std::vector<std::u16string> asked;
    const auto resolve = [this, &asked](const std::u16string& email) {
        const ContactRecord found =
            m_host->LookupParticipant(email, this, [this, email](const ContactRecord& better) {
                if (!better.name.empty())
                    UpdateParticipantName(email, better.name);
                AnnounceJoined(email);
            });
        if (found.id == -1)
            asked.push_back(email);
        return found.name;
    };
    const std::vector<ParticipantNotice> notices = m_participants.Reconcile(emailList, resolve);
    ShowEarlierLines();
    if (!notices.empty()) {
        for (const ParticipantNotice& notice : notices) {
            const auto named = [&notice](const std::u16string& e) {
                return contacts::EqualNoCase(e, notice.email);
            };
            if (notice.kind == ParticipantNotice::Kind::Joined &&
                std::any_of(asked.begin(), asked.end(), named)) {
                m_unnamedJoins.push_back(notice.email);
                continue;
            }
            // Leaving before the directory answered: the join is told first, as it happened.
            if (notice.kind == ParticipantNotice::Kind::Left)
                AnnounceJoined(notice.email, notice.name);
            AddNotice(Q(NoticeText(notice)));
        }
        m_history->ScrollToEnd();
        if (isVisible() && ApplicationInactive())
            StartFlashing();
        ParticipantsChanged();
    }
    UpdateInputState();
    if (!notices.empty() && m_participants.InSession() < 2 && !isVisible())
        CloseHidden();
}

void MessageWindow::OnMessage(const std::u16string& fromEmail,
                              const std::vector<std::u16string>& lines)
{
    const Participant* sender = m_participants.Find(fromEmail);
    if (sender == nullptr)
        return;
    const ReceivedMessage message = ReadReceivedMessage(lines);
    if (message.kind == ReceivedMessage::Kind::Nothing)
        return;
    AddCaption(Q(sender->name));
    if (message.kind == ReceivedMessage::Kind::Rich)
        AddRichBlock(message.rich);
    else
        AddPlainBlock(Q(message.plain));
    Keep(history::EntryKind::Message, false, sender->email, sender->name, Q(PlainTextOf(message)),
         message.rtf);
    if (!isActiveWindow()) {
        ++m_unread;
        UpdateTitle();
        emit unreadChanged();
        emit messageArrived(Q(sender->name), Q(PlainTextOf(message)));
    }
    m_history->ScrollToEnd();

    if (!isVisible()) {
        // The first message of someone else's session must not take the keyboard away.
        ShowWithoutActivating();
        m_input->setFocus(Qt::OtherFocusReason);
        if (!attention::Quiet())
            QApplication::beep();
    }
    if (ApplicationInactive() && !attention::Quiet())
        StartFlashing();
}

void MessageWindow::OnSessionTimeout()
{
    if (!isVisible()) {
        m_sessionEnded = true;
        CloseHidden();
        return;
    }
    AddNotice(tr("session timeout"));
    m_history->ScrollToEnd();
    if (ApplicationInactive())
        StartFlashing();
    m_sessionEnded = true;
    UpdateInputState();
}

void MessageWindow::MarkConnectionLost(const QString& why)
{
    if (m_connectionLost)
        return;
    m_connectionLost = true;
    m_sessionEnded = true;
    ClosePicker(m_invitePicker);
    ClosePicker(m_blockPicker);
    m_inviteAction->setEnabled(false);
    m_blockAction->setEnabled(false);
    // A window the user closed during a send comes back: the text never arrived.
    if (m_closeWhenAnswered && m_pending)
        ShowAndActivate();
    if (!isVisible()) {
        // Nobody has seen this window yet: there is no history or draft to keep.
        CloseHidden();
        return;
    }
    if (!why.isEmpty()) {
        AddNotice(why);
        m_history->ScrollToEnd();
    }
    // A send still out will never be answered: its text goes back into the draft.
    if (m_pending) {
        RestoreDraft(m_pending->sent);
        m_pending.reset();
    }
    UpdateInputState();
}

// ---- sending -------------------------------------------------------------------------------

void MessageWindow::Send()
{
    // One send at a time: text typed meanwhile waits for the next press.
    if (m_pending || m_closed || m_input->isReadOnly())
        return;
    QTextDocument* document = m_input->document();
    QTextCursor range(document);
    range.setPosition(SendRangeEnd(document->toPlainText()), QTextCursor::KeepAnchor);
    const std::string plain = OutgoingPlainText(range.selectedText().toStdU16String());
    // Nothing that reads as text (a picture alone): nothing is sent and nothing changes.
    if (plain.empty())
        return;
    std::string rtf = WriteRtf(range);
    if (!rtf.empty() && rtf.back() == '\0')
        rtf.pop_back();
    MessageParts parts = BuildMessageParts(m_sessionId, plain, rtf, LocalNow());
    m_pending = PendingSend{plain, rtf, range.selection()};

    // The input gives the text up at once, so what the user types next is kept apart from it.
    // The empty lines after it, which are not sent, go with it.
    QTextCursor all(document);
    all.select(QTextCursor::Document);
    all.removeSelectedText();
    // Undo must not bring back text that is already on its way.
    document->clearUndoRedoStacks();
    ApplyInputFormat(m_inputFont, m_inputColour);
    UpdateSendButton();
    m_input->setFocus(Qt::OtherFocusReason);

    m_host->SendInstantMessage(std::move(parts.headers), std::move(parts.body), this,
                               [this](ImResult result, std::vector<MessageFailure> failures) {
                                   OnSendDone(result, failures);
                               });
}

void MessageWindow::SendReply(const QString& text)
{
    if (m_closed || m_input->isReadOnly())
        return;
    if (m_pending) {
        m_replies << text;
        return;
    }
    QTextDocument* document = m_input->document();
    const QTextDocumentFragment draft =
        document->isEmpty() ? QTextDocumentFragment() : QTextDocumentFragment(document);
    document->clear();
    ApplyInputFormat(m_inputFont, m_inputColour);
    m_input->textCursor().insertText(text);
    Send();
    if (!draft.isEmpty())
        RestoreDraft(draft);
}

void MessageWindow::RestoreDraft(const QTextDocumentFragment& text)
{
    // The text goes back in front of whatever was typed since, on a line of its own.
    QTextDocument* document = m_input->document();
    const bool typedSince = !document->isEmpty();
    QTextCursor front(document);
    front.beginEditBlock();
    front.insertFragment(text);
    if (typedSince && !text.toPlainText().endsWith(u'\n'))
        front.insertBlock();
    front.endEditBlock();
    UpdateSendButton();
}

void MessageWindow::OnSendDone(ImResult result, const std::vector<MessageFailure>& failures)
{
    if (!m_pending)
        return;
    PendingSend sent = std::move(*m_pending);
    m_pending.reset();
    if (!m_replies.isEmpty())
        QTimer::singleShot(0, this, [this] {
            if (!m_replies.isEmpty() && !m_pending)
                SendReply(m_replies.takeFirst());
        });
    const bool closing = m_closeWhenAnswered;

    if (result != ImResult::Ok) {
        if (closing)
            ShowAndActivate();
        RestoreDraft(sent.sent);
        ShowBox(SendFailureText(result));
        return;
    }

    for (const MessageFailure& failure : failures) {
        const Participant* p =
            m_participants.Find(QString::fromStdString(failure.address).trimmed().toStdU16String());
        if (p == nullptr)
            continue;
        AddNotice(failure.contentUnacceptable
                      ? tr("Failed to send message to '%1' - content unacceptable").arg(Q(p->name))
                      : tr("Failed to send message to '%1'").arg(Q(p->name)));
    }
    const std::u16string ownName = m_own.name.empty() ? LocalPart(m_own.email) : m_own.name;
    AddCaption(Q(ownName));
    AddRichBlock(ParseRtf(sent.rtf));
    Keep(history::EntryKind::Message, true, m_own.email, ownName,
         QString::fromStdString(sent.plain), sent.rtf);
    m_history->ScrollToEnd();
    UpdateSendButton();
    if (closing && failures.empty()) {
        m_closeWhenAnswered = false;
        CloseHidden();
    } else if (closing) {
        ShowAndActivate(); // someone did not get it: the captions say who
    }
}

// ---- closing -------------------------------------------------------------------------------

void MessageWindow::CloseHidden()
{
    close();
    // A window that was never shown may not see a close event; the bookkeeping still runs.
    // One the user closed during a send waits for the reply.
    if (!m_closed && !m_closeWhenAnswered)
        FinishClose();
}

void MessageWindow::SaveState()
{
    Settings settings;
    if (m_placed)
        SavePlacement(settings, setting::MessageWp, *this);
    settings.WriteText(setting::MessageLf, m_inputFont.toString());
    settings.WriteInt(setting::MessageColor, ToColourRef(m_inputColour));
}

void MessageWindow::FinishClose()
{
    m_closed = true;
    // Unsent text stays for the next conversation with this contact.
    if (const std::u16string contact = DraftContact();
        !contact.empty() && !m_input->document()->isEmpty())
        KeepDraft(m_own.email, contact, QTextDocumentFragment(m_input->document()));
    StopFlashing();
    SaveState();
    ClosePicker(m_invitePicker);
    ClosePicker(m_blockPicker);
    m_host->ConversationClosed(this);
}

void MessageWindow::closeEvent(QCloseEvent* event)
{
    if (!m_closed && m_pending) {
        // Hidden until the server answers: a failure must still reach the user.
        StopFlashing();
        hide();
        m_closeWhenAnswered = true;
        event->ignore();
        return;
    }
    if (!m_closed)
        FinishClose();
    event->accept();
}

} // namespace zep::conversations
