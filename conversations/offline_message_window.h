// The window that composes one e-mail, SMS or pager message to a contact: "From" and "To"
// lists, the subject or the characters remaining, the text, Send and Cancel. The send goes
// through the host; the window never waits for it, stays read-only while it is out, closes
// itself when it succeeds and keeps the text when it fails.
#pragma once

#include "common/im_result.h"
#include "conversations/offline_message.h"
#include "protocol/contact_record.h"

#include <QMessageBox>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
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
class OfflineMessageHost;

// The failure box of an offline send, by the reply's result.
QString OfflineSendFailureText(ImResult result);

// Control numbers of the window's buttons.
inline constexpr int kOfflineSendButtonId = 1;
inline constexpr int kOfflineCancelButtonId = 2;
// The help context of the window (its menu resource).
inline constexpr int kOfflineMessageHelp = 130;

class COfflineMessageWindow : public QWidget
{
    Q_OBJECT
public:
    // A shown window of `kind` (1 e-mail, 2 SMS, 3 pager; another number is e-mail) for a copy
    // of `contact`, or nullptr, with nothing shown, when the "From" or "To" list would be
    // empty. The caller owns the window; it has no Qt parent (a top-level window of its own)
    // and is deleted with deleteLater once the host hears it closed.
    [[nodiscard]] static COfflineMessageWindow* CreateFor(int kind, const ContactRecord& contact,
                                                          OfflineMessageHost& host);
    ~COfflineMessageWindow() override;

    OfflineKind Kind() const { return m_kind; }
    const ContactRecord& Target() const { return m_target; }
    int Limit() const { return m_limit; }

    // The "Send" button. Does nothing while a send is out or when "Send" is off.
    void Send();

    // For tests and screen shots.
    QComboBox* FromList() const { return m_fromList; }
    QComboBox* ToList() const { return m_toList; }
    QLabel* ThirdCaption() const { return m_thirdCaption; }
    // "Subject" (a field) for e-mail, "Remaining" (a label) for SMS and pager.
    QWidget* ThirdBox() const { return m_thirdBox; }
    QLineEdit* Subject() const { return m_subject; }
    QLabel* Remaining() const { return m_remaining; }
    // What the message pane and the subject hold that was never sent.
    bool HoldsUnsentText() const;
    CRichEditCtrlEx* Pane() const { return m_pane; }
    CButtonEx* SendButton() const { return m_sendButton; }
    CButtonEx* CancelButton() const { return m_cancelButton; }
    QMenuBar* MenuBar() const { return m_menuBar; }
    bool SendOutstanding() const { return m_sending; }
    bool Closed() const { return m_closed; }
    // The stored placement applies to the first showing, whichever way it comes.
    void setVisible(bool visible) override;

signals:
    // A failure box was opened (tests find it without waiting on a timer).
    void MessageBoxShown(QMessageBox* box);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    COfflineMessageWindow(OfflineKind kind, const ContactRecord& own, const ContactRecord& contact,
                          OfflineMessageHost& host, const OfflineRecipients& lists);

    // Building (offline_message_window_layout.cpp).
    void BuildControls(const OfflineRecipients& lists);
    void BuildMenus();
    void LayOut();
    void UpdateEditActions();
    void ResetEditActions();
    // The text field the Edit commands act on: the message pane or the subject.
    QWidget* FocusedField() const;

    void TextChanged();
    void UpdateSendButton();
    // Read-only text and "Send" off while a send is out; everything back when it is answered.
    void SetSending(bool sending);
    void OnSendDone(ImResult result);
    void ShowBox(const QString& text);
    void ApplyStoredPlacement();
    void FinishClose();

    OfflineMessageHost* m_host;
    // Keeps the message sent (or tried) in the account's history.
    void Keep(ImResult result);

    OfflineKind m_kind;
    OfflineDraft m_sent;
    ContactRecord m_target;
    int m_limit = 0;
    bool m_sending = false;
    bool m_closed = false;
    bool m_placed = false;
    bool m_delivered = false;
    bool m_discardAsked = false;
    QPointer<QMessageBox> m_discardBox;
    QPixmap m_logo;

    QMenuBar* m_menuBar = nullptr;
    QWidget* m_body = nullptr;
    contacts::CMyStatusButton* m_banner = nullptr;
    QLabel* m_fromCaption = nullptr;
    QComboBox* m_fromList = nullptr;
    QLabel* m_toCaption = nullptr;
    QComboBox* m_toList = nullptr;
    QLabel* m_thirdCaption = nullptr;
    QWidget* m_thirdBox = nullptr;
    QLineEdit* m_subject = nullptr;
    QLabel* m_remaining = nullptr;
    CRichEditCtrlEx* m_pane = nullptr;
    CButtonEx* m_sendButton = nullptr;
    CButtonEx* m_cancelButton = nullptr;
    QMenu* m_editMenu = nullptr;
    std::vector<std::pair<QAction*, int>> m_editActions;
};

} // namespace zep::conversations
