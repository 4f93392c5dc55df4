// The logged-on view: the own-status banner over the contact list, the reader of server events,
// the keep-alive schedule and the requests the view makes. Every request runs on a worker under
// AppLock; results and events reach the UI thread through one queue, in the order the
// connection saw them.
#pragma once

#include "contacts/contact_list_ctrl.h"
#include "contacts/my_status_button.h"
#include "messages.h"
#include "protocol/contact_record.h"
#include "protocol/server_event.h"

#include <QPointer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zep {

class ClientConnection;
class CMainFrame;

// Time and input sources of the view; tests shorten the interval and drive the tick.
struct ViewTiming
{
    std::chrono::milliseconds keepAliveInterval{60000};
    std::chrono::milliseconds watchPoll{100};
    std::function<std::uint32_t()> activityTick = [] { return 0u; };
};
ViewTiming& CurrentViewTiming();

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

    // The banner text (who is logged on and how).
    QString Shown() const;
    contacts::CContactListCtrl* List() const { return m_list; }
    contacts::CMyStatusButton* Banner() const { return m_banner; }
    const ContactRecord& Own() const { return m_own; }
    bool Filled() const { return m_filled; }
    int KeepAlivesSent() const { return m_keepAlives.load(); }
    const ConversationEventsPending& ConversationEvents() const { return m_conversationEvents; }

    // One server event, on the UI thread.
    void Dispatch(const ServerEvent& event);
    // "UWM_KA_COMMAND": a keep-alive with the current activity value, unless one is out.
    void OnKeepAliveCommand();
    // A status menu command (177..184) or a custom status command (191, 192).
    void SendStatus(int commandId, const QString& customText = {});
    void ShowOwnStatus();
    void OpenStatusMenu();
    void OpenCustomStatus();

    // Contact look-up for other threads (the RPC service): a copy, id -1 when not found.
    ContactRecord FindContact(const std::u16string& email) const;
    // A record for a conversation participant: the contact, the user, or a bare record.
    ContactRecord ParticipantLookup(const std::u16string& email) const;

    // "UWM_KA_COMMAND", the send commands (207 when the address is not a contact) and
    // "UWM_GETCONTACTDETAILS_COMMAND" (the buffer, or 0 when not a contact).
    std::intptr_t OnRegisteredMessage(MessageId id, std::intptr_t wParam,
                                      std::intptr_t lParam) override;

    // The "UWM_GETCONTACTDETAILS_COMMAND" result: true and the record when a contact.
    bool GetContactDetails(const std::u16string& email, ContactRecord& out) const;

signals:
    void Changed();

private:
    struct Fill;
    void StartWorkers();
    void StopWorkers();
    void ReceiveLoop();
    void KeepAliveLoop();
    void RunRequest(std::function<void()> job);
    void RequestLoop();
    void ApplyFill(const Fill& fill);
    void ApplyPresence(const ServerEvent& event);
    void ArmActivityWatch();
    bool ActivityWatchFired();
    void ConnectionLost();

    ClientConnection& m_connection;
    QPointer<CMainFrame> m_frame;
    std::uint64_t m_generation;
    contacts::CMyStatusButton* m_banner;
    contacts::CContactListCtrl* m_list;
    ContactRecord m_own;
    bool m_filled = false;
    ConversationEventsPending m_conversationEvents;

    // ViewLock: thread state, the activity watch and look-ups made for other threads.
    mutable std::recursive_mutex m_viewLock;
    bool m_watchArmed = false;
    std::uint32_t m_watchTick = 0;

    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_kaOutstanding{false};
    std::atomic<int> m_keepAlives{0};
    std::thread m_receive;
    std::thread m_keepAlive;
    std::thread m_requests;
    std::mutex m_queueLock;
    std::condition_variable m_queueWake;
    std::deque<std::function<void()>> m_queue;
    std::mutex m_sleepLock;
    std::condition_variable m_sleepWake;
};

} // namespace zep
