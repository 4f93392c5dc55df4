// The logged-on view: the own-status banner over the contact list, and the handlers of the
// server's events and of the RPC service's commands. The threads, requests and the hand-over of
// results and events live in the widget-free ViewSession.
#pragma once

#include "contacts/add_contact_host.h"
#include "contacts/add_contact_sheet.h"
#include "contacts/blocked_contacts_window.h"
#include "contacts/contact_actions.h"
#include "contacts/contact_dialog.h"
#include "contacts/contact_filter_bar.h"
#include "contacts/contact_list_ctrl.h"
#include "contacts/my_status_button.h"
#include "conversations/conversation_host.h"
#include "desktop/rpc_host.h"
#include "protocol/contact_record.h"
#include "protocol/server_event.h"
#include "protocol/server_variables.h"
#include "session/conversation_list.h"
#include "session/history_store.h"
#include "session/messages.h"
#include "session/view_session.h"

#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zep::conversations {
class MessageWindow;
}

namespace zep {

class ClientConnection;
class CMainFrame;

class CZepimView : public QWidget,
                   public MessageReceiver,
                   public conversations::ConversationHost,
                   public contacts::AddContactHost,
                   public RpcView
{
    Q_OBJECT
public:
    CZepimView(ClientConnection& connection, CMainFrame* frame, std::uint64_t generation,
               QWidget* parent = nullptr);
    ~CZepimView() override;

    // Ends the logged-on session before the connection is closed: saves the group states,
    // stops the threads (the UI returns at once whatever the network does) and marks every
    // conversation ended with `why`, leaving it open with its history and draft for the user
    // to close. Idempotent; the frame calls it before it lets the view go with deleteLater.
    void Shutdown(const QString& why = {});
    // The user logs off or exits: one LEAVE for every open session not already ended or left,
    // queued behind the requests already out. `done` runs once the last one is answered (and
    // never when none went out). Returns how many went out.
    int LeaveOpenSessions(std::function<void()> done);

    // The banner text (who is logged on and how).
    QString Shown() const;
    contacts::CContactListCtrl* List() const { return m_list; }
    contacts::ContactFilterBar* Filter() const { return m_filter; }
    contacts::CMyStatusButton* Banner() const { return m_banner; }
    const ContactRecord& Own() const override { return m_own; }
    bool Filled() const { return m_filled; }
    int KeepAlivesSent() const { return m_session->KeepAlivesSent(); }
    int KeepAliveWakeUps() const { return m_session->KeepAliveWakeUps(); }
    std::size_t MostWaiting() const { return m_session->MostWaiting(); }
    // The open conversations, in the order they were opened.
    std::vector<conversations::MessageWindow*> Conversations() const;
    conversations::MessageWindow* FindConversation(const std::string& sessionId) const;
    // Unread messages over all conversation windows.
    int Unread() const;
    // The open status menu, if any (for tests).
    QMenu* StatusMenu() const { return m_statusMenu; }

    // One server event, on the UI thread.
    void Dispatch(const ServerEvent& event);
    // "UWM_KA_COMMAND": a keep-alive with the current activity value, unless one is out.
    void OnKeepAliveCommand();
    // A status menu command (177..184) or a custom status command (191, 192).
    void SendStatus(int commandId, const QString& customText = {});
    void ShowOwnStatus();
    // Opens the status menu without a nested event loop; the choice arrives in a slot.
    void OpenStatusMenu();
    void OpenCustomStatus();

    // Contact look-up for other threads (the RPC service): a copy, id -1 when not found.
    ContactRecord FindContact(const std::u16string& email) const override;

    // "UWM_KA_COMMAND", the send commands (207 when the address is not a contact) and
    // "UWM_GETCONTACTDETAILS_COMMAND" (the buffer, or 0 when not a contact).
    std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                      std::intptr_t lParam) override;

    // The "UWM_GETCONTACTDETAILS_COMMAND" result: true and the record when a contact.
    bool GetContactDetails(const std::u16string& email, ContactRecord& out) const;

    // Starts a conversation with a contact ("UWM_SENDIM_COMMAND" and the list's activation):
    // raises the open one-to-one window with that contact instead of inviting again, ignores a
    // second start while the INVITE is out. `done` gets 0, 207 when the address is not a
    // contact, or the INVITE's result; failures also show their box.
    void StartConversation(const std::u16string& email,
                           std::function<void(int)> done = {}) override;
    // The block routine of the conversation windows and the contact list.
    void BlockContact(const ContactRecord& contact) override;

    // The contact list's actions: the contact menu of a row (opened without a nested loop; the
    // choice acts in a slot on the contact looked up again), the offline message windows (0, or
    // 26 when the window cannot be made), and deleting a contact (UNSUBSCRIBE, CONTACT DEL,
    // the row; a box only on failure).
    void OpenContactMenu(const std::u16string& email, const QPoint& globalPos);
    QMenu* ContactMenu() const { return m_contactMenu; }
    int OpenOfflineWindow(contacts::OfflineKind kind, const std::u16string& email);
    void DeleteContact(const ContactRecord& contact);
    // The Delete key: asks first, and deletes the contact it finds again after "Yes".
    void ConfirmDelete(const std::u16string& email);

    // The main frame's "&Add a contact...", "&Delete a contact..." and "&Blocked Contacts...".
    // The windows belong to this view and close with it; their requests go out on this view's
    // connection only.
    void OpenAddContact();
    void OpenDeletePicker();
    void OpenBlockedContacts();
    contacts::CAddContactSheet* AddContactSheet() const { return m_addSheet; }
    contacts::CContactDialog* DeletePicker() const { return m_deletePicker; }
    contacts::CBlockedContactsWindow* BlockedContacts() const { return m_blockedWindow; }

    // "GET VARIABLE" and "SET VARIABLE" for the options dialog, on the worker.
    void FetchVariables(QObject* context, std::function<void(ImResult, ServerVariables)> done);
    void StoreVariables(ServerVariables variables, QObject* context,
                        std::function<void(ImResult)> done);

    // "MESSAGE" of an offline message window, on the worker.
    void SendOfflineMessage(std::string type, std::string headers, std::string body,
                            QObject* context, std::function<void(ImResult)> done);

    // What the add-contact wizard asks of the view.
    std::u16string OwnEmail() const override { return m_own.email; }
    void SearchUsers(std::u16string text, QObject* context,
                     std::function<void(ImResult, std::vector<ContactRecord>)> done) override;
    void AddContact(const ContactRecord& chosen, QObject* context,
                    std::function<void(contacts::AddContactOutcome)> done) override;
    void UnblockContact(const ContactRecord& user, QObject* context,
                        std::function<void(ImResult)> done) override;

    // What the conversation windows ask of the view.
    ContactRecord OwnRecord() const override { return m_own; }
    ContactRecord LookupParticipant(const std::u16string& email, QObject* context,
                                    std::function<void(const ContactRecord&)> resolved) override;
    void
    SendInstantMessage(std::string headers, std::string body, QObject* context,
                       std::function<void(ImResult, std::vector<MessageFailure>)> done) override;
    void InviteToSession(std::string sessionId, std::u16string email, QObject* context,
                         std::function<void(ImResult)> done) override;
    // Also what the wizard and the Blocked Contacts window ask.
    void ListBlocked(QObject* context,
                     std::function<void(ImResult, std::vector<ContactRecord>)> done) override;
    std::unique_ptr<contacts::CContactDisplayList> OnlineContacts() const override;
    std::optional<contacts::CContactDisplay>
    FindContactRow(const std::u16string& email) const override;
    void ConversationClosed(conversations::MessageWindow* window) override;
    void ShowHelp(int topic) override;
    history::Store* History() const override;
    // Reads again what the options dialog may have changed.
    void OptionsApplied();
    // Deletes every conversation of the open history; false when none is open.
    bool DeleteHistory();
    void ShowAbout() override;

    // A box that does not block: server events keep being handled while it is up.
    void ShowMessage(const QString& text, QWidget* over = nullptr,
                     QMessageBox::Icon icon = QMessageBox::Warning);

signals:
    void Changed();
    // The messages of all conversations the user has not looked at yet.
    void unreadChanged(int unread);
    // The own status as the banner shows it (its image).
    void ownStatusShown(const QIcon& icon);
    // A box the view opened (tests find it without waiting).
    void messageShown(const QString& text);

private:
    void ApplyFill(const ViewFill& fill);
    // The mail notice row; `announce`: a count above the last one also tells the desktop.
    void ShowMailCount(int count, bool announce);
    void ApplyPresence(const ServerEvent& event);
    void ConnectionLost();
    void OnRowActivated(const contacts::CContactDisplay* row);
    // The search field above the list, Ctrl+F and names typed into the list.
    void ConnectFilter();
    void OnContactCommand(int command, const std::u16string& email);
    // A desktop notice that the contact is online, when the user asked for one.
    void AnnounceSignIn(const ContactRecord& contact);
    void OnSessionEvent(const ServerEvent& event);
    void OnMessageEvent(const ServerEvent& event);
    void OnSessionTimeoutEvent(const ServerEvent& event);
    conversations::MessageWindow* NewConversation(const std::string& sessionId);
    void AddResolvedParticipant(conversations::MessageWindow* window, const std::u16string& email);
    void EndConversations(const QString& why);

    ClientConnection& m_connection;
    QPointer<CMainFrame> m_frame;
    std::uint64_t m_generation;
    contacts::CMyStatusButton* m_banner;
    contacts::ContactFilterBar* m_filter;
    contacts::CContactListCtrl* m_list;
    ContactRecord m_own;
    bool m_filled = false;
    bool m_shutDown = false;
    bool m_kaOutstanding = false;
    int m_mailCount = 0; // the last count shown, to tell new mail from the count at logon
    // The open windows by session, and where each conversation event goes.
    ConversationList m_conversations;
    QPointer<QMenu> m_statusMenu;
    QPointer<QMenu> m_contactMenu;
    QPointer<contacts::CAddContactSheet> m_addSheet;
    QPointer<contacts::CContactDialog> m_deletePicker;
    QPointer<contacts::CBlockedContactsWindow> m_blockedWindow;

    // ViewLock: look-ups made for other threads.
    mutable std::recursive_mutex m_viewLock;
    std::unique_ptr<ViewSession> m_session;
    // The account's conversation history; closed (everything shown committed) at shutdown.
    std::unique_ptr<history::Store> m_history;
    bool m_keepHistory = false;
};

} // namespace zep
