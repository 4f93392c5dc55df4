// Conversation sessions, instant messages with the Echo user, offline messages and the outbox.
#include "devserver/core_state.h"

#include "devserver/frames.h"
#include "devserver/text.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace zep::devserver {

namespace {

bool IsParticipant(const Session& session, int userId)
{
    return std::find(session.participants.begin(), session.participants.end(), userId) !=
           session.participants.end();
}

// Headers that describe the content travel on with a message; routing and credentials do not.
bool IsContentHeader(const Header& header)
{
    for (const char* routing : {"MessageType", "SessionId", "Authorization", "From", "To"}) {
        if (IEquals(header.name, routing))
            return false;
    }
    return true;
}

size_t BodyBytes(const Request& request)
{
    size_t total = 0;
    for (const std::string& line : request.body)
        total += line.size() + 2;
    return total;
}

} // namespace

bool ServerCore::State::Reachable(const UserState& user, const UserState& from) const
{
    if (user.Blocks(from.record.id))
        return false;
    return user.record.echo || (user.conn != 0 && user.status == "AVAILABLE");
}

void ServerCore::State::AnnounceSession(const Session& session)
{
    std::vector<std::string> addresses;
    for (int id : session.participants) {
        if (const UserState* user = FindUser(id))
            addresses.push_back(user->record.email);
    }
    const std::string event = EventBuilder("SESSION")
                                  .Header("SessionId", session.id)
                                  .Header("Email", JoinAddresses(addresses))
                                  .Finish();
    for (int id : session.participants) {
        if (const UserState* user = FindUser(id))
            SendToUser(*user, event);
    }
}

std::string ServerCore::State::Invite(UserState& me, const Request& request, TimePoint now)
{
    const std::string* list = request.Find("Email");
    if (list == nullptr || SplitList(*list, ',').empty())
        return Reply("501 Email required");
    const std::vector<std::string> addresses = SplitList(*list, ',');

    if (const std::string* sessionId = request.Find("SessionId")) {
        auto it = sessions.find(*sessionId);
        if (it == sessions.end() || !IsParticipant(it->second, me.record.id))
            return Reply("550 No such session");
        Session& session = it->second;
        bool added = false;
        for (const std::string& address : addresses) {
            UserState* user = FindUser(address);
            if (user == nullptr)
                return Reply("550 No such user");
            if (IsParticipant(session, user->record.id))
                return Reply("552 Already a participant");
            if (!Reachable(*user, me))
                return Reply("550 User is not available");
            session.participants.push_back(user->record.id);
            user->sessions.insert(session.id);
            added = true;
        }
        if (added)
            AnnounceSession(session);
        return Reply("250 OK");
    }

    Session session;
    session.participants.push_back(me.record.id);
    for (const std::string& address : addresses) {
        UserState* user = FindUser(address);
        if (user == nullptr || user == &me || IsParticipant(session, user->record.id) ||
            !Reachable(*user, me))
            continue;
        session.participants.push_back(user->record.id);
    }
    if (session.participants.size() < 2)
        return Reply("550 Nobody to invite is available");
    do {
        session.id = RandomHex(8);
    } while (session.id.empty() || sessions.count(session.id) != 0);
    session.lastMessage = now;
    for (int id : session.participants)
        FindUser(id)->sessions.insert(session.id);
    const std::string id = session.id;
    auto [it, inserted] = sessions.emplace(id, std::move(session));
    (void)inserted;
    AnnounceSession(it->second);
    return Reply("250 " + id);
}

void ServerCore::State::RemoveFromSession(UserState& user, const std::string& sessionId)
{
    user.sessions.erase(sessionId);
    auto it = sessions.find(sessionId);
    if (it == sessions.end())
        return;
    Session& session = it->second;
    session.participants.erase(
        std::remove(session.participants.begin(), session.participants.end(), user.record.id),
        session.participants.end());
    const bool anyPerson = std::any_of(session.participants.begin(), session.participants.end(),
                                       [this](int id) { return !FindUser(id)->record.echo; });
    if (!anyPerson) {
        for (int id : session.participants)
            FindUser(id)->sessions.erase(sessionId);
        sessions.erase(it);
        return;
    }
    AnnounceSession(session);
}

std::string ServerCore::State::Leave(UserState& me, const Request& request)
{
    const std::string* sessionId = request.Find("SessionId");
    if (sessionId == nullptr)
        return Reply("501 SessionId required");
    auto it = sessions.find(*sessionId);
    if (it == sessions.end() || !IsParticipant(it->second, me.record.id))
        return Reply("550 No such session");
    RemoveFromSession(me, *sessionId);
    return Reply("250 OK");
}

std::string ServerCore::State::Message(UserState& me, const Request& request, TimePoint now)
{
    const std::string* type = request.Find("MessageType");
    if (type == nullptr)
        return Reply("501 MessageType required");
    if (BodyBytes(request) > config.maxMessageBytes)
        return Reply("554 Message too large");
    const std::string kind = ToLower(*type);
    if (kind == "email" || kind == "sms" || kind == "pager")
        return OfflineMessage(me, request, kind);
    if (kind != "im")
        return Reply("501 Unknown MessageType");

    const std::string* sessionId = request.Find("SessionId");
    if (sessionId == nullptr)
        return Reply("501 SessionId required");
    auto it = sessions.find(*sessionId);
    if (it == sessions.end() || !IsParticipant(it->second, me.record.id))
        return Reply("550 No such session");
    Session& session = it->second;
    session.lastMessage = now;

    auto build = [&](const UserState& from) {
        EventBuilder event("MESSAGE");
        event.Header("SessionId", session.id).Header("From", from.record.email);
        for (const Header& header : request.headers) {
            if (IsContentHeader(header))
                event.Header(header.name, header.value);
        }
        event.Line("");
        for (const std::string& line : request.body)
            event.Line(line);
        return event.Finish();
    };
    const std::string event = build(me);
    ReplyBuilder reply;
    bool echo = false;
    for (int id : session.participants) {
        UserState* user = FindUser(id);
        if (user == nullptr || user == &me)
            continue;
        if (user->record.echo) {
            echo = !user->Blocks(me.record.id);
            if (!echo)
                reply.Data("250-" + user->record.email);
            continue;
        }
        if (user->conn == 0 || user->Blocks(me.record.id) ||
            sink.Backlog(user->conn) + event.size() > config.maxBacklog) {
            reply.Data("250-" + user->record.email);
            continue;
        }
        SendTo(user->conn, event);
        ++messagesRouted;
    }
    if (echo) {
        // Echo says the same thing back to everyone in the session, the sender included.
        for (int id : session.participants) {
            UserState* user = FindUser(id);
            if (user == nullptr || user->record.echo || user->conn == 0)
                continue;
            for (int echoId : session.participants) {
                const UserState* echoUser = FindUser(echoId);
                if (echoUser == nullptr || !echoUser->record.echo)
                    continue;
                SendTo(user->conn, build(*echoUser));
                ++messagesRouted;
            }
        }
    }
    return reply.Finish("250 OK");
}

std::string ServerCore::State::OfflineMessage(UserState& me, const Request& request,
                                              const std::string& type)
{
    const std::string* to = request.Find("To");
    if (to == nullptr || to->empty())
        return Reply("501 To required");
    if (type == "sms" && !me.record.smsAllowed)
        return Reply("550 SMS messages are not allowed for this account");
    if (type == "pager" && !me.record.pagerAllowed)
        return Reply("550 Pager messages are not allowed for this account");
    const long long limit = type == "sms"     ? me.record.smsLimit
                            : type == "pager" ? me.record.pagerLimit
                                              : 0;
    if (limit > 0) {
        size_t characters = 0;
        for (size_t i = 0; i < request.body.size(); ++i)
            characters += Utf8Length(request.body[i]) + (i > 0 ? 1 : 0);
        if (characters > static_cast<size_t>(limit))
            return Reply("554 Message longer than " + std::to_string(limit) + " characters");
    }
    if (!config.outboxDir.empty() && !WriteOutbox(request, type))
        return Reply("451 The message could not be stored");
    if (type == "email") {
        for (const std::string& address : SplitList(*to, ',')) {
            UserState* user = FindUser(address);
            if (user == nullptr || user->record.echo)
                continue;
            ++user->record.recentMail;
            SendToUser(*user, EventBuilder("NEW MAIL")
                                  .Header("Recent", std::to_string(user->record.recentMail))
                                  .Finish());
        }
    }
    return Reply("250 OK");
}

bool ServerCore::State::WriteOutbox(const Request& request, const std::string& type)
{
    namespace fs = std::filesystem;
    const auto stamp = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    char name[96];
    std::snprintf(name, sizeof name, "%013lld-%06llu-%s", static_cast<long long>(stamp),
                  static_cast<unsigned long long>(++outboxCounter), type.c_str());
    const fs::path dir(config.outboxDir);
    const fs::path temp = dir / (std::string(".") + name + ".tmp");
    const fs::path final = dir / (std::string(name) + ".msg");
    {
        std::ofstream out(temp, std::ios::binary);
        if (!out)
            return false;
        for (const Header& header : request.headers) {
            if (!IEquals(header.name, "Authorization"))
                out << header.name << ": " << header.value << "\r\n";
        }
        out << "\r\n";
        for (const std::string& line : request.body)
            out << line << "\r\n";
        if (!out.flush())
            return false;
    }
    // Written aside and renamed, so a reader of the folder never sees half a message.
    std::error_code error;
    fs::rename(temp, final, error);
    if (error) {
        fs::remove(temp, error);
        return false;
    }
    return true;
}

void ServerCore::State::ExpireSessions(TimePoint now)
{
    for (auto it = sessions.begin(); it != sessions.end();) {
        Session& session = it->second;
        if (now - session.lastMessage < config.sessionTimeout) {
            ++it;
            continue;
        }
        const std::string event =
            EventBuilder("SESSION TIMEOUT").Header("SessionId", session.id).Finish();
        for (int id : session.participants) {
            if (UserState* user = FindUser(id)) {
                user->sessions.erase(session.id);
                SendToUser(*user, event);
            }
        }
        it = sessions.erase(it);
    }
}

} // namespace zep::devserver
