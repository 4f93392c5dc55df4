#include "devserver/core_state.h"

#include "devserver/frames.h"
#include "devserver/text.h"

#include <algorithm>

namespace zep::devserver {

namespace {

// Command words are compared in upper case with single blanks, so "list  users" still works.
std::string NormaliseCommand(std::string_view command)
{
    std::string out;
    for (char c : command) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else {
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool IsKnownCommand(const std::string& command)
{
    static const std::set<std::string> kCommands = {
        "VERSION",     "LOGON",     "LIST USERS",  "LIST CONTACTS", "CONTACT ADD",
        "CONTACT DEL", "SUBSCRIBE", "UNSUBSCRIBE", "PRESENCE",      "INVITE",
        "LEAVE",       "MESSAGE",   "KA",          "GET VARIABLE",  "SET VARIABLE"};
    return kCommands.count(command) != 0;
}

} // namespace

const std::string& UserState::Variable(std::string_view name) const
{
    static const std::string kEmpty;
    for (const auto& [key, value] : variables) {
        if (IEquals(key, name))
            return value;
    }
    return kEmpty;
}

bool UserState::Blocks(int userId) const
{
    return std::find(blocked.begin(), blocked.end(), userId) != blocked.end();
}

ServerCore::State::State(CoreConfig cfg, std::vector<UserRecord> records, CoreSink& s)
    : config(std::move(cfg)), sink(s)
{
    users.resize(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        users[i].record = std::move(records[i]);
        byId[users[i].record.id] = i;
        byEmail[ToLower(users[i].record.email)] = i;
        if (users[i].record.echo)
            users[i].status = "AVAILABLE";
        users[i].variables = DefaultVariables();
        for (const auto& variable : users[i].record.variables) {
            const std::string& name = variable.first;
            const std::string& value = variable.second;
            auto it = std::find_if(users[i].variables.begin(), users[i].variables.end(),
                                   [&](const auto& v) { return IEquals(v.first, name); });
            if (it != users[i].variables.end())
                it->second = value;
            else
                users[i].variables.emplace_back(name, value);
        }
    }
    for (UserState& user : users) {
        for (const std::string& address : user.record.contacts) {
            if (UserState* other = FindUser(address))
                user.contacts.push_back(other->record.id);
        }
        for (const std::string& address : user.record.blocked) {
            if (UserState* other = FindUser(address))
                user.blocked.push_back(other->record.id);
        }
    }
}

UserState* ServerCore::State::FindUser(int id)
{
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : &users[it->second];
}

UserState* ServerCore::State::FindUser(std::string_view email)
{
    auto it = byEmail.find(ToLower(Trim(email)));
    return it == byEmail.end() ? nullptr : &users[it->second];
}

Connection* ServerCore::State::FindConn(ConnId id)
{
    auto it = connections.find(id);
    return it == connections.end() ? nullptr : &it->second;
}

void ServerCore::State::SendTo(ConnId id, std::string_view bytes)
{
    Connection* conn = FindConn(id);
    if (conn == nullptr || conn->closing)
        return;
    if (id == current) {
        deferred.append(bytes);
        return;
    }
    if (sink.Backlog(id) + bytes.size() > config.maxBacklog) {
        // A client that does not read must not make the server hold its events forever.
        conn->closing = true;
        sink.Abort(id);
        return;
    }
    sink.Send(id, bytes);
}

void ServerCore::State::SendToUser(const UserState& user, std::string_view bytes)
{
    if (user.conn != 0)
        SendTo(user.conn, bytes);
}

void ServerCore::State::Pump(ConnId id, TimePoint now)
{
    for (;;) {
        Connection* conn = FindConn(id);
        if (conn == nullptr || conn->closing)
            return;
        if (sink.Backlog(id) >= config.pauseBacklog)
            return; // resumed by the loop once the client has read its replies
        std::optional<Request> request = conn->parser.Next();
        if (!request) {
            if (conn->peerClosed) {
                conn->closing = true;
                sink.Close(id);
            }
            return;
        }
        Handle(id, *request, now);
    }
}

void ServerCore::State::Handle(ConnId id, Request& request, TimePoint now)
{
    current = id;
    deferred.clear();
    Connection* conn = FindConn(id);
    std::string reply = Dispatch(*conn, id, request, now);
    current = 0;
    conn = FindConn(id);
    if (conn == nullptr || conn->closing)
        return;
    sink.Send(id, reply);
    if (!deferred.empty()) {
        sink.Send(id, deferred);
        deferred.clear();
    }
}

std::string ServerCore::State::Challenge401(Connection& conn, const Request& request)
{
    conn.challenge = NewChallenge();
    std::string realm = "zep-devserver";
    if (UserState* user = FindUser(conn.user))
        realm = user->record.email;
    else if (const std::string* email = request.Find("Email"); email && FindUser(*email))
        realm = FindUser(*email)->record.email;
    const std::string value = ChallengeLine(config.auth, realm, *conn.challenge);
    ReplyBuilder reply;
    // The client looks for a line that begins "Authenticate:"; the coded form follows for
    // readers that skip a status prefix on every data line.
    reply.Data("Authenticate: " + value);
    reply.Data("401-Authenticate: " + value);
    return reply.Finish("401 Authentication required");
}

std::optional<std::string> ServerCore::State::Authenticate(Connection& conn, const Request& request)
{
    const std::string* header = request.Find("Authorization");
    if (header == nullptr || !conn.challenge)
        return std::nullopt;
    return VerifyAuthorization(config.auth, *header, *conn.challenge,
                               [this](std::string_view user) -> const std::string* {
                                   UserState* found = FindUser(user);
                                   if (found == nullptr || found->record.echo)
                                       return nullptr;
                                   return &found->record.password;
                               });
}

std::string ServerCore::State::Dispatch(Connection& conn, ConnId id, Request& request,
                                        TimePoint now)
{
    const std::string command = NormaliseCommand(request.command);
    if (request.tooLarge)
        return Reply(command == "MESSAGE" ? "554 Request too large" : "500 Request too large");
    if (!IsKnownCommand(command))
        return Reply("500 Unknown command");
    if (request.malformed)
        return Reply("501 Malformed request");
    if (command == "VERSION")
        return Reply("250 4.0");

    const std::optional<std::string> authUser = Authenticate(conn, request);
    if (!authUser)
        return Challenge401(conn, request);
    if (command == "LOGON")
        return Logon(conn, id, request, *authUser, now);
    UserState* me = FindUser(conn.user);
    if (me == nullptr)
        return Reply("503 LOGON first");
    if (!IEquals(*authUser, me->record.email))
        return Challenge401(conn, request);

    if (command == "LIST USERS")
        return ListUsers(request);
    if (command == "LIST CONTACTS")
        return ListContacts(*me, request);
    if (command == "CONTACT ADD")
        return ContactAdd(*me, request);
    if (command == "CONTACT DEL")
        return ContactDel(*me, request);
    if (command == "SUBSCRIBE")
        return Subscribe(*me, conn, id, request);
    if (command == "UNSUBSCRIBE")
        return Unsubscribe(conn, id, request);
    if (command == "PRESENCE")
        return Presence(*me, request);
    if (command == "INVITE")
        return Invite(*me, request, now);
    if (command == "LEAVE")
        return Leave(*me, request);
    if (command == "MESSAGE")
        return Message(*me, request, now);
    if (command == "KA")
        return KeepAlive(*me, request, now);
    if (command == "GET VARIABLE")
        return GetVariables(*me);
    return SetVariables(*me, request, now);
}

std::string ServerCore::State::Logon(Connection& conn, ConnId id, const Request& request,
                                     const std::string& authUser, TimePoint now)
{
    const std::string* email = request.Find("Email");
    if (email == nullptr || email->empty())
        return Reply("501 Email required");
    UserState* user = FindUser(*email);
    if (user == nullptr || !IEquals(user->record.email, authUser))
        return Challenge401(conn, request);

    if (conn.user != 0 && conn.user != user->record.id) {
        if (UserState* previous = FindUser(conn.user))
            Logoff(*previous, true, now);
    }
    if (user->conn != 0 && user->conn != id) {
        // Signed on elsewhere: the older connection is told and closed, and its user stays on.
        const ConnId old = user->conn;
        SendTo(old, EventBuilder("LOGOFF").Finish());
        Logoff(*user, false, now);
        if (Connection* oldConn = FindConn(old)) {
            oldConn->closing = true;
            sink.Close(old);
        }
    }
    conn.user = user->record.id;
    user->conn = id;
    user->status = "AVAILABLE";
    user->subStatus.clear();
    user->customStatus.clear();
    user->autoAway = false;
    user->haveActivity = false;

    const UserRecord& r = user->record;
    std::vector<std::string> fields = {std::to_string(r.id),
                                       FormEncode(r.name),
                                       FormEncode(r.email),
                                       FormEncode(r.workMobile),
                                       FormEncode(r.homeMobile),
                                       FormEncode(r.workPager),
                                       user->status,
                                       user->subStatus,
                                       r.enterSends ? "1" : "0",
                                       r.smsAllowed ? "1" : "0",
                                       r.pagerAllowed ? "1" : "0",
                                       "",
                                       FormEncode(r.dateFormat),
                                       std::to_string(r.smsLimit),
                                       std::to_string(r.pagerLimit)};
    std::string line = "250-";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += ':';
        line += fields[i];
    }
    AnnouncePresence(*user, false);
    ReplyBuilder reply;
    reply.Data(line);
    return reply.Finish("250 OK");
}

void ServerCore::State::Logoff(UserState& user, bool announce, TimePoint now)
{
    (void)now;
    const ConnId id = user.conn;
    const std::set<std::string> sessionIds = user.sessions;
    for (const std::string& sessionId : sessionIds)
        RemoveFromSession(user, sessionId);
    if (Connection* conn = FindConn(id)) {
        for (int target : conn->subscriptions) {
            if (UserState* t = FindUser(target))
                t->subscribers.erase(id);
        }
        conn->subscriptions.clear();
        conn->user = 0;
    }
    user.conn = 0;
    user.status = "UNAVAILABLE";
    user.subStatus.clear();
    user.customStatus.clear();
    user.autoAway = false;
    if (announce)
        AnnouncePresence(user, false);
}

void ServerCore::State::DropConnection(ConnId id, TimePoint now)
{
    Connection* conn = FindConn(id);
    if (conn == nullptr)
        return;
    if (UserState* user = FindUser(conn->user); user != nullptr && user->conn == id)
        Logoff(*user, true, now);
    conn = FindConn(id);
    if (conn != nullptr) {
        for (int target : conn->subscriptions) {
            if (UserState* t = FindUser(target))
                t->subscribers.erase(id);
        }
    }
    connections.erase(id);
}

ServerCore::ServerCore(CoreConfig config, std::vector<UserRecord> users, CoreSink& sink)
    : state_(std::make_unique<State>(std::move(config), std::move(users), sink))
{
}

ServerCore::~ServerCore() = default;

void ServerCore::Open(ConnId id, TimePoint now)
{
    (void)now;
    state_->connections.emplace(id, Connection(state_->config.maxRequestBytes));
    state_->sink.Send(id, Greeting(state_->config.greeting));
}

void ServerCore::Received(ConnId id, std::string_view bytes, TimePoint now)
{
    Connection* conn = state_->FindConn(id);
    if (conn == nullptr || conn->closing)
        return;
    conn->parser.Feed(bytes);
    state_->Pump(id, now);
}

void ServerCore::PeerClosed(ConnId id, TimePoint now)
{
    Connection* conn = state_->FindConn(id);
    if (conn == nullptr)
        return;
    conn->peerClosed = true;
    state_->Pump(id, now);
}

void ServerCore::Resume(ConnId id, TimePoint now)
{
    state_->Pump(id, now);
}

bool ServerCore::WantsInput(ConnId id) const
{
    auto it = state_->connections.find(id);
    if (it == state_->connections.end() || it->second.closing || it->second.peerClosed)
        return false;
    return state_->sink.Backlog(id) < state_->config.pauseBacklog;
}

void ServerCore::Closed(ConnId id, TimePoint now)
{
    state_->DropConnection(id, now);
}

void ServerCore::Tick(TimePoint now)
{
    state_->ExpireSessions(now);
    for (UserState& user : state_->users) {
        if (user.conn != 0)
            state_->CheckAway(user, now);
    }
}

CoreStats ServerCore::Stats() const
{
    CoreStats stats;
    stats.connections = state_->connections.size();
    for (const UserState& user : state_->users) {
        if (user.conn != 0)
            ++stats.loggedOn;
    }
    stats.sessions = state_->sessions.size();
    stats.messagesRouted = state_->messagesRouted;
    return stats;
}

std::string JoinAddresses(const std::vector<std::string>& addresses)
{
    std::string out;
    for (const std::string& address : addresses) {
        if (!out.empty())
            out += ',';
        out += address;
    }
    return out;
}

} // namespace zep::devserver
