// The logged-on view: the own-status banner over the contact list, and the handlers of the
// server's events and of the RPC service's commands. The threads, requests and the hand-over of
// results and events live in the widget-free ViewSession.
#pragma once

#include "contacts/contact_list_ctrl.h"
#include "contacts/my_status_button.h"
#include "messages.h"
#include "protocol/contact_record.h"
#include "protocol/server_event.h"
#include "view_session.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace zep {

class ClientConnection;
class CMainFrame;

// SESSION, MESSAGE and SESSION TIMEOUT belong to the conversation windows, which are not built
// yet: until they are, these events are counted here and otherwise dropped, as events of
// unknown sessions are.
struct ConversationEventsPending
{
    int sessions = 0;
    int messages = 0;
    int timeouts = 0;
};

// The view's registered messages for the RPC service. lParam carries a `const std::u16string*`
// address, or for the details a `ContactRecord*` whose email is filled in; both stay the
// caller's.
namespace uwm {
MessageId SendImCommand();
MessageId SendEmailCommand();
MessageId SendSmsCommand();
MessageId SendPagerCommand();
MessageId GetContactDetailsCommand();
} // namespace uwm

class CZepimView : public QWidget, public MessageReceiver
{
    Q_OBJECT
public:
    CZepimView(ClientConnection& connection, CMainFrame* frame, std::uint64_t generation,
               QWidget* parent = nullptr);
    ~CZepimView() override;

    // Ends the logged-on session before the connection is closed: saves the group states,
    // stops the threads (the UI returns at once whatever the network does). Idempotent; the
    // frame calls it before it lets the view go with deleteLater.
    void Shutdown();

    // The banner text (who is logged on and how).
    QString Shown() const;
    contacts::CContactListCtrl* List() const { return m_list; }
    contacts::CMyStatusButton* Banner() const { return m_banner; }
    const ContactRecord& Own() const { return m_own; }
    bool Filled() const { return m_filled; }
    int KeepAlivesSent() const { return m_session->KeepAlivesSent(); }
    const ConversationEventsPending& ConversationEvents() const { return m_conversationEvents; }
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
    ContactRecord FindContact(const std::u16string& email) const;
    // A conversation participant's record at once: the contact, the user, or a bare record
    // named after the address's local part. For a bare record the directory is asked on the
    // request worker, and `resolved` gets its record later (only while `context` lives).
    ContactRecord LookupParticipant(const std::u16string& email, QObject* context,
                                    std::function<void(const ContactRecord&)> resolved);

    // "UWM_KA_COMMAND", the send commands (207 when the address is not a contact) and
    // "UWM_GETCONTACTDETAILS_COMMAND" (the buffer, or 0 when not a contact).
    std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                      std::intptr_t lParam) override;

    // The "UWM_GETCONTACTDETAILS_COMMAND" result: true and the record when a contact.
    bool GetContactDetails(const std::u16string& email, ContactRecord& out) const;

signals:
    void Changed();

private:
    void ApplyFill(const ViewFill& fill);
    void ApplyPresence(const ServerEvent& event);
    void ConnectionLost();

    ClientConnection& m_connection;
    QPointer<CMainFrame> m_frame;
    std::uint64_t m_generation;
    contacts::CMyStatusButton* m_banner;
    contacts::CContactListCtrl* m_list;
    ContactRecord m_own;
    bool m_filled = false;
    bool m_shutDown = false;
    bool m_kaOutstanding = false;
    ConversationEventsPending m_conversationEvents;
    QPointer<QMenu> m_statusMenu;

    // ViewLock: look-ups made for other threads.
    mutable std::recursive_mutex m_viewLock;
    std::unique_ptr<ViewSession> m_session;
};

} // namespace zep
