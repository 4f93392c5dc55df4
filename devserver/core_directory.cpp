// Directory, contact lists, presence, keep-alive with automatic away, server variables.
#include "devserver/core_state.h"

#include "devserver/frames.h"
#include "devserver/text.h"
#include "devserver/vocabulary.h"

#include <algorithm>

namespace zep::devserver {

namespace {

bool ParseId(const std::string* text, int& id)
{
    long long value = 0;
    if (text == nullptr || !ParseInt(*text, value) || value <= 0 || value > 2147483647)
        return false;
    id = static_cast<int>(value);
    return true;
}

bool IsKnownVariable(std::string_view name)
{
    for (const auto& [known, value] : DefaultVariables()) {
        (void)value;
        if (IEquals(known, name))
            return true;
    }
    return false;
}

constexpr size_t kMaxVariableValue = 1023;
constexpr size_t kMaxCustomStatus = 127;

} // namespace

std::string ServerCore::State::ListUsers(const Request& request)
{
    const std::string* exact = request.Find("Email");
    const std::string* search = request.Find("SearchEmail");
    ReplyBuilder reply;
    for (const UserState& user : users) {
        const UserRecord& r = user.record;
        if (exact != nullptr && !IEquals(r.email, Trim(*exact)))
            continue;
        if (exact == nullptr && search != nullptr && !search->empty() &&
            !IContains(r.email, *search) && !IContains(r.name, *search))
            continue;
        reply.Data(std::to_string(r.id) + ":" + FormEncode(r.name) + ":" + FormEncode(r.email));
    }
    return reply.Finish("250 OK");
}

std::string ServerCore::State::ListContacts(UserState& me, const Request& request)
{
    const std::string* type = request.Find("Type");
    if (type == nullptr || (*type != "CONTACT" && *type != "BLOCKED"))
        return Reply("501 Type must be CONTACT or BLOCKED");
    ReplyBuilder reply;
    for (int id : *type == "CONTACT" ? me.contacts : me.blocked) {
        if (const UserState* user = FindUser(id)) {
            reply.Data(std::to_string(id) + ":" + FormEncode(user->record.name) + ":" +
                       FormEncode(user->record.email));
        }
    }
    return reply.Finish("250 OK");
}

std::string ServerCore::State::ContactAdd(UserState& me, const Request& request)
{
    const std::string* type = request.Find("Type");
    int id = 0;
    if (type == nullptr || (*type != "CONTACT" && *type != "BLOCKED") ||
        !ParseId(request.Find("Id"), id))
        return Reply("501 Type and Id required");
    UserState* other = FindUser(id);
    if (other == nullptr)
        return Reply("550 No such user");
    // A user has one entry, of one type: adding it with the other type moves it, so a blocked
    // user is no contact, and a contact added back is no longer blocked.
    const bool block = *type == "BLOCKED";
    std::vector<int>& list = block ? me.blocked : me.contacts;
    std::vector<int>& otherList = block ? me.contacts : me.blocked;
    if (std::find(list.begin(), list.end(), id) != list.end())
        return Reply("552 Already on that list");
    const auto was = std::find(otherList.begin(), otherList.end(), id);
    const bool wasBlocked = !block && was != otherList.end();
    if (was != otherList.end())
        otherList.erase(was);
    list.push_back(id);
    // The blocked user now sees this user offline; an unblocked one sees the real presence.
    if ((block || wasBlocked) && other->conn != 0)
        SendPresenceTo(other->conn, me);
    return Reply("250 OK");
}

std::string ServerCore::State::ContactDel(UserState& me, const Request& request)
{
    int id = 0;
    if (!ParseId(request.Find("Id"), id))
        return Reply("501 Id required");
    auto erase = [id](std::vector<int>& list) {
        auto it = std::find(list.begin(), list.end(), id);
        if (it == list.end())
            return false;
        list.erase(it);
        return true;
    };
    const bool wasContact = erase(me.contacts);
    const bool wasBlocked = erase(me.blocked);
    if (!wasContact && !wasBlocked)
        return Reply("550 Not on your lists");
    UserState* other = FindUser(id);
    if (wasBlocked && other != nullptr && other->conn != 0)
        SendPresenceTo(other->conn, me);
    return Reply("250 OK");
}

namespace {

// The sixteen presence values in wire order, not yet encoded. A user who blocked the viewer is
// shown to it as offline.
std::vector<std::string> PresenceFields(const UserState& user, const UserState* viewer)
{
    const bool hidden = viewer != nullptr && user.Blocks(viewer->record.id);
    const UserRecord& r = user.record;
    std::string contactMethod = r.contactMethod;
    const std::string& offlineMethod = user.Variable("IMOfflineContactMethod");
    if (!offlineMethod.empty() && IsContactMethodWord(offlineMethod))
        contactMethod = ToUpperWord(offlineMethod);
    if (user.Variable("IMShowOfflineContactMethod") == "0")
        contactMethod.clear();
    const bool showLocation = user.Variable("IMOnlineShowLocation") != "0";
    return {r.email,
            hidden ? std::string(kUnavailable) : user.status,
            hidden ? "" : user.subStatus,
            hidden ? "" : user.customStatus,
            "",
            "",
            "",
            contactMethod,
            r.homeTel,
            r.homeMobile,
            r.homeFax,
            r.workTel,
            r.workMobile,
            r.workPager,
            r.workFax,
            showLocation ? r.location : ""};
}

} // namespace

std::string ServerCore::State::PresenceRecord(const UserState& user, const UserState* viewer) const
{
    std::string line;
    for (const std::string& field : PresenceFields(user, viewer)) {
        line += FormEncode(field);
        line += ':';
    }
    line.pop_back(); // the separator after the last field
    return line;
}

std::string ServerCore::State::PresenceEvent(const UserState& user, const UserState* viewer) const
{
    static constexpr const char* kNames[] = {
        "Email",      "Status",        "SubStatus", "CustomStatus", "EmailState", "EmailMethod",
        "EmailTime",  "ContactMethod", "HomeTel",   "HomeMobile",   "HomeFax",    "WorkTel",
        "WorkMobile", "WorkPager",     "WorkFax",   "Location"};
    const std::vector<std::string> fields = PresenceFields(user, viewer);
    EventBuilder event("PRESENCE");
    for (size_t i = 0; i < fields.size(); ++i)
        event.Header(kNames[i], fields[i]);
    return event.Finish();
}

void ServerCore::State::SendPresenceTo(ConnId viewerConn, UserState& target)
{
    Connection* conn = FindConn(viewerConn);
    if (conn == nullptr || conn->subscriptions.count(target.record.id) == 0)
        return;
    SendTo(viewerConn, PresenceEvent(target, FindUser(conn->user)));
}

void ServerCore::State::AnnouncePresence(UserState& user, bool toSelf)
{
    std::vector<ConnId> subscribers(user.subscribers.begin(), user.subscribers.end());
    for (ConnId id : subscribers) {
        Connection* conn = FindConn(id);
        if (conn == nullptr)
            continue;
        SendTo(id, PresenceEvent(user, FindUser(conn->user)));
    }
    if (toSelf && user.conn != 0 && user.subscribers.count(user.conn) == 0)
        SendTo(user.conn, PresenceEvent(user, nullptr));
}

std::string ServerCore::State::Subscribe(UserState& me, Connection& conn, ConnId id,
                                         const Request& request)
{
    const std::string* list = request.Find("Email");
    if (list == nullptr)
        return Reply("501 Email required");
    ReplyBuilder reply;
    for (const std::string& address : SplitList(*list, ',')) {
        UserState* target = FindUser(address);
        if (target == nullptr)
            continue;
        target->subscribers.insert(id);
        conn.subscriptions.insert(target->record.id);
        reply.Data("250-" + PresenceRecord(*target, &me));
    }
    return reply.Finish("250 OK");
}

std::string ServerCore::State::Unsubscribe(Connection& conn, ConnId id, const Request& request)
{
    const std::string* list = request.Find("Email");
    if (list == nullptr)
        return Reply("501 Email required");
    for (const std::string& address : SplitList(*list, ',')) {
        if (UserState* target = FindUser(address)) {
            target->subscribers.erase(id);
            conn.subscriptions.erase(target->record.id);
        }
    }
    return Reply("250 OK");
}

std::string ServerCore::State::Presence(UserState& me, const Request& request)
{
    const std::string* status = request.Find("Status");
    const std::string* subStatus = request.Find("SubStatus");
    const std::string* custom = request.Find("CustomStatus");
    if (status == nullptr || !IsStatusWord(*status))
        return Reply("501 Unknown status");
    if (subStatus != nullptr && !IsSubStatusWord(*subStatus))
        return Reply("501 Unknown sub-status");
    me.status = *status;
    me.subStatus = subStatus != nullptr ? *subStatus : "";
    me.customStatus = custom != nullptr ? custom->substr(0, kMaxCustomStatus) : "";
    me.autoAway = false; // an explicit choice ends the automatic away state
    AnnouncePresence(me, true);
    return Reply("250 OK");
}

std::string ServerCore::State::KeepAlive(UserState& me, const Request& request, TimePoint now)
{
    long long activity = 0;
    const std::string* text = request.Find("Activity");
    if (text == nullptr || !ParseInt(*text, activity))
        return Reply("501 Activity required");
    if (!me.haveActivity || activity != me.activity) {
        const bool first = !me.haveActivity;
        me.haveActivity = true;
        me.activity = activity;
        me.activitySince = now;
        if (!first && me.autoAway) {
            me.autoAway = false;
            me.subStatus = me.subStatusBeforeAway;
            AnnouncePresence(me, true);
        }
    }
    CheckAway(me, now);
    return Reply("250 " + std::to_string(me.record.recentMail));
}

void ServerCore::State::CheckAway(UserState& user, TimePoint now)
{
    if (user.autoAway || !user.haveActivity || user.status != kAvailable ||
        user.subStatus == kAwaySubStatus || user.Variable("IMShowAway") != "1")
        return;
    long long minutes = 3;
    if (!ParseInt(user.Variable("IMAwayTime"), minutes) || minutes < 3)
        minutes = 3;
    if (now - user.activitySince < std::chrono::minutes(minutes))
        return;
    user.autoAway = true;
    user.subStatusBeforeAway = user.subStatus;
    user.subStatus = std::string(kAwaySubStatus);
    AnnouncePresence(user, true);
}

std::string ServerCore::State::GetVariables(UserState& me)
{
    ReplyBuilder reply;
    for (const auto& [name, value] : me.variables)
        reply.Data(name + ": " + value);
    return reply.Finish("250 OK");
}

std::string ServerCore::State::SetVariables(UserState& me, const Request& request, TimePoint now)
{
    for (const Header& header : request.headers) {
        if (IEquals(header.name, "Authorization"))
            continue;
        auto it = std::find_if(me.variables.begin(), me.variables.end(),
                               [&](const auto& v) { return IEquals(v.first, header.name); });
        if (it == me.variables.end() && !IsKnownVariable(header.name))
            continue; // only the known preferences and those the user file named are kept
        std::string value = header.value.substr(0, kMaxVariableValue);
        if (IEquals(header.name, "IMAwayTime")) {
            long long minutes = 0;
            if (!ParseInt(value, minutes) || minutes < 3)
                value = "3";
        }
        if (it != me.variables.end())
            it->second = std::move(value);
        else
            me.variables.emplace_back(header.name, std::move(value));
    }
    CheckAway(me, now);
    return Reply("250 OK");
}

} // namespace zep::devserver
