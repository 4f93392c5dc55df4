// Internal state of ServerCore, shared by its source files (connections, users, sessions).
#pragma once

#include "devserver/core.h"
#include "devserver/request.h"

#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

namespace zep::devserver {

class ReplyBuilder;

struct UserState
{
    UserRecord record;
    ConnId conn = 0; // 0 while not logged on
    std::string status{"UNAVAILABLE"};
    std::string subStatus;
    std::string customStatus;
    bool autoAway = false;
    std::string subStatusBeforeAway;
    bool haveActivity = false;
    long long activity = 0;
    TimePoint activitySince{};
    std::vector<int> contacts; // user ids, in the order added
    std::vector<int> blocked;
    std::vector<std::pair<std::string, std::string>> variables;
    std::unordered_set<ConnId> subscribers;
    std::set<std::string> sessions;

    const std::string& Variable(std::string_view name) const;
    bool Blocks(int userId) const;
};

struct Connection
{
    explicit Connection(size_t maxRequestBytes) : parser(maxRequestBytes) {}
    RequestParser parser;
    std::optional<Challenge> challenge;
    int user = 0; // logged-on user id, 0 for none
    std::unordered_set<int> subscriptions;
    bool closing = false;
    bool peerClosed = false;
};

struct Session
{
    std::string id;
    std::vector<int> participants;
    TimePoint lastMessage{};
};

struct ServerCore::State
{
    State(CoreConfig config, std::vector<UserRecord> users, CoreSink& sink);

    CoreConfig config;
    CoreSink& sink;
    std::vector<UserState> users;
    std::unordered_map<int, size_t> byId;
    std::unordered_map<std::string, size_t> byEmail; // lower-case address
    std::unordered_map<ConnId, Connection> connections;
    std::map<std::string, Session> sessions;
    std::uint64_t messagesRouted = 0;
    std::uint64_t outboxCounter = 0;

    // While a request is handled, events for its own connection wait until its reply is out,
    // so the client always sees the reply before the events it caused.
    ConnId current = 0;
    std::string deferred;

    UserState* FindUser(int id);
    UserState* FindUser(std::string_view email);
    Connection* FindConn(ConnId id);

    void SendTo(ConnId id, std::string_view bytes);
    void SendToUser(const UserState& user, std::string_view bytes);
    void Pump(ConnId id, TimePoint now);
    void Handle(ConnId id, Request& request, TimePoint now);
    std::string Dispatch(Connection& conn, ConnId id, Request& request, TimePoint now);
    std::string Challenge401(Connection& conn, const Request& request);
    std::optional<std::string> Authenticate(Connection& conn, const Request& request);

    // Logon and logoff.
    std::string Logon(Connection& conn, ConnId id, const Request& request,
                      const std::string& authUser, TimePoint now);
    void Logoff(UserState& user, bool announce, TimePoint now);
    void DropConnection(ConnId id, TimePoint now);

    // Directory, presence and preferences.
    std::string ListUsers(const Request& request);
    std::string ListContacts(UserState& me, const Request& request);
    std::string ContactAdd(UserState& me, const Request& request);
    std::string ContactDel(UserState& me, const Request& request);
    std::string Subscribe(UserState& me, Connection& conn, ConnId id, const Request& request);
    std::string Unsubscribe(Connection& conn, ConnId id, const Request& request);
    std::string Presence(UserState& me, const Request& request);
    std::string KeepAlive(UserState& me, const Request& request, TimePoint now);
    std::string GetVariables(UserState& me);
    std::string SetVariables(UserState& me, const Request& request, TimePoint now);
    std::string PresenceRecord(const UserState& user, const UserState* viewer) const;
    std::string PresenceEvent(const UserState& user, const UserState* viewer) const;
    void AnnouncePresence(UserState& user, bool toSelf);
    void SendPresenceTo(ConnId viewerConn, UserState& target);
    void CheckAway(UserState& user, TimePoint now);

    // Sessions and messages.
    std::string Invite(UserState& me, const Request& request, TimePoint now);
    std::string Leave(UserState& me, const Request& request);
    std::string Message(UserState& me, const Request& request, TimePoint now);
    std::string OfflineMessage(UserState& me, const Request& request, const std::string& type);
    bool Reachable(const UserState& user, const UserState& from) const;
    void AnnounceSession(const Session& session);
    void RemoveFromSession(UserState& user, const std::string& sessionId);
    void ExpireSessions(TimePoint now);
    bool WriteOutbox(const Request& request, const std::string& type);
};

std::string JoinAddresses(const std::vector<std::string>& addresses);

} // namespace zep::devserver
