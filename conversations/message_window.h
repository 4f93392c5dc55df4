// The window of one instant-messaging session: who takes part, the history of what was said,
// the input pane and its Send button, inviting and blocking. Requests go through the host; the
// window never waits for them, and their results find it only while it lives.
#pragma once

#include "common/im_result.h"
#include "contacts/contact_dialog.h"
#include "conversations/participants.h"
#include "protocol/contact_record.h"
#include "protocol/requests.h"
#include "session/history_store.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QPointer>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QMessageBox;

namespace zep {
class CButtonEx;
}
namespace zep::contacts {
class CMyStatusButton;
} // namespace zep::contacts

namespace zep::conversations {

class CRichEditCtrlEx;
class FindBar;
class ConversationHost;
struct RtfDocument;

// Where the text to send ends in the input's plain text ("\n" between lines): before the run of
// empty lines at its end, keeping the line break of the last text line. Line 0 never belongs to
// the run, so an input of line breaks only yields its first one.
int SendRangeEnd(const QString& plain);

// The failure box of a send, by the reply's result.
QString SendFailureText(ImResult result);
// The failure box of an invitation.
QString InviteFailureText(ImResult result, const QString& name);

// Control numbers of the window's buttons.
inline constexpr int kFontButtonId = 1001;
inline constexpr int kSendButtonId = 1002;
inline constexpr int kEmojiButtonId = 1003;
// The help context of the window (its menu resource).
inline constexpr int kConversationHelp = 129;

class EmojiPicker;
class MessageWindow : public QWidget
{
    Q_OBJECT
public:
    // A hidden window of a session; no Qt parent (a top-level window of its own).
    MessageWindow(ConversationHost& host, std::string sessionId);
    ~MessageWindow() override;

    const std::string& GetSessionId() const { return m_sessionId; }
    bool AddParticipant(const std::u16string& email, const std::u16string& name);
    // A better name found later (the directory answered): updates the participant, the To
    // line and the title.
    void UpdateParticipantName(const std::u16string& email, const std::u16string& name);
    // The comma-separated addresses now in the session.
    void OnSessionUpdate(const std::u16string& emailList);
    // The event's lines: "MESSAGE", headers, an empty line, the body.
    void OnMessage(const std::u16string& fromEmail, const std::vector<std::u16string>& lines);
    void OnSessionTimeout();
    // The connection was lost or the user logged off: a caption saying so, the input read-only,
    // "Font" and "Send" off, SessionEnded set (so no LEAVE); history and draft stay until the
    // user closes the window.
    void MarkConnectionLost(const QString& why);
    bool SessionEnded() const { return m_sessionEnded; }
    // The view that owned the window is gone: a window kept open after a lost connection
    // answers to a host that outlives it.
    void SetHost(ConversationHost& host) { m_host = &host; }
    // True while the session lives and `email` is the only other participant still in it.
    bool IsOneToOneWith(const std::u16string& email) const;
    // The user's own invitation: shown normally (stored placement), raised and activated.
    void ShowAndActivate();
    // Someone else's session shows itself: minimised and never activated.
    void ShowWithoutActivating();
    // Restores a minimised window, raises and activates it.
    void BringToFront();

    // Edit, Actions and the buttons, as the menus and keys reach them.
    void Send();
    // Sends `text` as if typed and sent here (a reply typed into a notification); what the
    // input holds stays there, and a reply that comes while a send is on its way follows it.
    void SendReply(const QString& text);
    void Invite();
    void Block();
    void ChangeFont();

    // For tests and screen shots.
    CRichEditCtrlEx* History() const { return m_history; }
    CRichEditCtrlEx* Input() const { return m_input; }
    CButtonEx* FontButton() const { return m_fontButton; }
    CButtonEx* EmojiButton() const { return m_emojiButton; }
    // The picker (made at its first opening), at the emoji button.
    EmojiPicker* OpenEmojiPicker();
    CButtonEx* SendButton() const { return m_sendButton; }
    QString ToLine() const;
    bool Flashing() const { return m_flashTimer.isActive(); }
    bool SendOutstanding() const { return m_pending.has_value(); }
    bool Closed() const { return m_closed; }
    bool ClosingAfterSend() const { return m_closeWhenAnswered; }
    const Participants& GetParticipants() const { return m_participants; }
    contacts::CContactDialog* InvitePicker() const { return m_invitePicker; }
    contacts::CContactDialog* BlockPicker() const { return m_blockPicker; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    QFont InputFont() const { return m_inputFont; }
    QColor InputColour() const { return m_inputColour; }
    // Sets the input's font and colour as the font dialog would.
    void ApplyInputFormat(const QFont& font, const QColor& colour);
    // The stored placement applies to the first showing, whichever way it comes.
    void setVisible(bool visible) override;
    FindBar* Finder() const { return m_findBar; }
    // Messages that arrived since the window was last the active window.
    int Unread() const { return m_unread; }

signals:
    // A failure box was opened (tests find it without waiting on a timer).
    void MessageBoxShown(QMessageBox* box);
    // A message arrived while this was not the active window: the sender's name and the text.
    void messageArrived(const QString& sender, const QString& text);
    // Unread() went up, or back to 0 when the user looked.
    void unreadChanged();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PendingSend
    {
        std::string plain;
        std::string rtf;
        QTextDocumentFragment sent; // what comes back into the input on failure
    };

    // The join line of a participant whose name was still being looked up (`name` when they
    // are no longer in the list).
    void AnnounceJoined(const std::u16string& email, std::u16string name = {});

    // Building (message_window_layout.cpp).
    void BuildControls();
    void BuildMenus();
    void LayOut();
    void UpdateEditActions();
    void ResetEditActions();
    CRichEditCtrlEx* FocusedPane() const;
    // Typing outside the input: the key goes to the input while it takes text.
    void ForwardToInput(const QKeyEvent& key);
    // Ctrl+B, Ctrl+I, Ctrl+U in the input (true: handled).
    bool ToggleInputStyle(const QKeyEvent& key);
    void SetMinimumFromControls();

    // History.
    void AddCaption(const QString& text);
    // A notice of the conversation (joined, left, timeout, connection lost, failed delivery):
    // shown as a caption and kept in the history.
    void AddNotice(const QString& text);
    // Keeps what the window shows in the account's history, when one is kept.
    void Keep(history::EntryKind kind, bool outgoing, const std::u16string& email,
              const std::u16string& name, const QString& text, const std::string& rtf = {});
    // The last lines of earlier conversations with the first other participant, greyed with
    // their date, above a separator; once, before anything new.
    void ShowEarlierLines();
    void AddRichBlock(const RtfDocument& document);
    void AddPlainBlock(const QString& text);
    qreal MessageIndent() const;

    // State.
    void ParticipantsChanged();
    // The participants, after "(n) " while messages are unread.
    void UpdateTitle();
    void UpdateInputState();
    void UpdateSendButton();
    void StartFlashing();
    void StopFlashing();
    bool ApplicationInactive() const;
    void ShowBox(const QString& text);
    void ApplyStoredPlacement();
    // The placement and a kept draft, before the window is first seen.
    void FirstShowing();
    // The one other participant a draft of this window belongs to (empty: a group).
    std::u16string DraftContact() const;
    void CloseHidden();
    void FinishClose();
    void SaveState();

    // Sending.
    void OnSendDone(ImResult result, const std::vector<MessageFailure>& failures);
    void RestoreDraft(const QTextDocumentFragment& text);

    // Pickers.
    void ClosePicker(QPointer<contacts::CContactDialog>& picker);
    bool OpenPicker(QPointer<contacts::CContactDialog>& picker, const QString& title,
                    std::unique_ptr<contacts::CContactDisplayList> rows, int ok, int cancel);
    void OnInviteCommand(int command);
    void OnBlockList(ImResult result, const std::vector<ContactRecord>& blocked);
    void OnBlockCommand(int command);
    // Asks whether to block; only "Yes" sends it.
    void ConfirmBlock(const std::u16string& email, const std::u16string& name);
    void OnInviteDone(const std::u16string& email, const std::u16string& name, ImResult result);

    ConversationHost* m_host;
    std::string m_sessionId;
    ContactRecord m_own;
    Participants m_participants;
    bool m_enterSends = false;
    bool m_sessionEnded = false;
    bool m_connectionLost = false;
    bool m_closed = false;
    bool m_placed = false;
    bool m_blockListing = false;
    bool m_forwardingKey = false;
    std::optional<PendingSend> m_pending;
    QStringList m_replies;
    // Participants who joined while the directory was asked for their name: their join line
    // waits for the answer.
    std::vector<std::u16string> m_unnamedJoins;
    // The user closed the window while a send was out: it is hidden, not gone, until the reply
    // says whether the message arrived (then it closes) or not (then it shows again).
    bool m_closeWhenAnswered = false;
    FindBar* m_findBar = nullptr;
    // This conversation in the history (0: nothing kept yet), and whether the earlier lines
    // have had their chance.
    std::int64_t m_kept = 0;
    bool m_earlierShown = false;
    // Captions carry the time they were shown; a date line comes when the day changes.
    bool m_timestamps = true;
    int m_unread = 0;
    QDate m_lastDay;
    QTimer m_flashTimer;
    QFont m_inputFont;
    QColor m_inputColour;
    QPointer<contacts::CContactDialog> m_invitePicker;
    QPointer<contacts::CContactDialog> m_blockPicker;
    QPixmap m_logo;

    QMenuBar* m_menuBar = nullptr;
    QWidget* m_body = nullptr;
    contacts::CMyStatusButton* m_banner = nullptr;
    QLabel* m_toLine = nullptr;
    CRichEditCtrlEx* m_history = nullptr;
    CButtonEx* m_fontButton = nullptr;
    CButtonEx* m_emojiButton = nullptr;
    EmojiPicker* m_emojiPicker = nullptr;
    CRichEditCtrlEx* m_input = nullptr;
    CButtonEx* m_sendButton = nullptr;
    QMenu* m_editMenu = nullptr;
    std::vector<std::pair<QAction*, int>> m_editActions;
    QAction* m_fontAction = nullptr;
    QAction* m_inviteAction = nullptr;
    QAction* m_blockAction = nullptr;
};

} // namespace zep::conversations
