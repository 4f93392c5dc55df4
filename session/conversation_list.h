// The conversations of a logged-on session without their windows: which window shows which
// session, the sessions the user left or that ended (their late events open nothing again), the
// INVITEs still out, and where a SESSION, MESSAGE or SESSION TIMEOUT event goes. The view makes
// and changes the windows as this list decides.
//
// A window is held as a guarded QObject: the list never knows its class, and a window deleted
// behind its back drops out by itself. Used on the UI thread; the view holds ViewLock around
// what changes the windows held and around what other threads read of them.
#pragma once

#include "protocol/server_event.h"

#include <QObject>
#include <QPointer>
#include <set>
#include <string>
#include <vector>

namespace zep {

class ConversationList
{
public:
    // `ownEmail`: the user's address; a SESSION naming it invites the user back.
    explicit ConversationList(std::u16string ownEmail);

    // What a SESSION event asks of the view.
    enum class SessionAction
    {
        Ignore, // malformed, a session the user left or that ended, or the list has ended
        Open,   // someone else opened it: a hidden window for `addresses`, added at once
        Update, // `window` shows it: `emails` are the addresses now in the session
    };
    struct SessionRoute
    {
        SessionAction action = SessionAction::Ignore;
        std::string sessionId;
        QObject* window = nullptr;
        std::u16string emails;
        std::vector<std::u16string> addresses; // trimmed, empty entries dropped
    };
    // A SESSION naming the user of a left or ended session reopens it: from then on its
    // events are routed again.
    SessionRoute RouteSession(const ServerEvent& event);

    // The window a MESSAGE goes to, with its sender; no window: the message is dropped.
    struct MessageRoute
    {
        QObject* window = nullptr;
        std::u16string from;
    };
    MessageRoute RouteMessage(const ServerEvent& event) const;
    // The window a SESSION TIMEOUT ends, or none.
    QObject* RouteTimeout(const ServerEvent& event) const;

    // A new window of `sessionId`, after the others.
    void Add(const std::string& sessionId, QObject* window);
    QObject* Find(const std::string& sessionId) const;
    // The living windows in the order they were opened.
    std::vector<QObject*> Windows() const;

    // The user closed `window`: it leaves the list and its session counts as left. True when
    // a LEAVE must go out (the session has not ended); the session is then leaving until the
    // answer (LeaveAnswered).
    bool Close(QObject* window, const std::string& sessionId, bool sessionEnded);
    // A LEAVE of the log-off: true unless one is already out for the session.
    bool StartLeave(const std::string& sessionId);
    void LeaveAnswered(const std::string& sessionId);

    // An INVITE of `email` (case aside): false while one is out already.
    bool StartInvite(const std::u16string& email);
    void InviteAnswered(const std::u16string& email);

    // The session ends: the windows, in order, are handed over and the list routes nothing
    // more.
    std::vector<QPointer<QObject>> EndAll();

private:
    struct Entry
    {
        std::string sessionId;
        QPointer<QObject> window;
    };

    std::u16string m_ownEmail;
    bool m_ended = false;
    std::vector<Entry> m_entries;
    // Sessions the user left or that ended.
    std::set<std::string> m_endedSessions;
    // Left sessions whose LEAVE is still out: their events were sent before the server saw it.
    std::set<std::string> m_leaving;
    // Addresses (folded) whose INVITE is out.
    std::set<std::u16string> m_invitesOut;
};

} // namespace zep
