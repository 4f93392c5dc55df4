#include "session/conversation_list.h"

#include "protocol/requests.h"

#include <QString>
#include <QStringList>
#include <algorithm>
#include <utility>

namespace zep {

namespace {

std::u16string Folded(std::u16string text)
{
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    return text;
}

// The addresses of a SESSION event's "Email" value, trimmed, empty entries dropped.
std::vector<std::u16string> SplitAddresses(const std::u16string& list)
{
    std::vector<std::u16string> out;
    const QStringList parts = QString::fromStdU16String(list).split(u',');
    for (const QString& part : parts) {
        const QString address = part.trimmed();
        if (!address.isEmpty())
            out.push_back(address.toStdU16String());
    }
    return out;
}

// Whether the comma-separated `list` holds `address` (case aside).
bool NamesAddress(const std::u16string& list, const std::u16string& address)
{
    const std::u16string wanted = Folded(address);
    for (const std::u16string& entry : SplitAddresses(list))
        if (Folded(entry) == wanted)
            return true;
    return false;
}

std::string SessionIdOf(const ServerEvent& event)
{
    return QString::fromStdU16String(HeaderValue(event, u"SessionId", kSessionIdSize))
        .toStdString();
}

} // namespace

ConversationList::ConversationList(std::u16string ownEmail) : m_ownEmail(std::move(ownEmail)) {}

ConversationList::SessionRoute ConversationList::RouteSession(const ServerEvent& event)
{
    SessionRoute route;
    route.sessionId = SessionIdOf(event);
    route.emails = HeaderValue(event, u"Email", 10240);
    if (route.sessionId.empty() || route.emails.empty() || m_ended)
        return route;
    // A session the user left (or that ended) opens no window again, unless someone invites
    // the user back: once the server has the LEAVE, a SESSION naming the user is that.
    if (m_endedSessions.count(route.sessionId) != 0) {
        if (m_leaving.count(route.sessionId) != 0 || !NamesAddress(route.emails, m_ownEmail))
            return route;
        m_endedSessions.erase(route.sessionId);
    }
    route.window = Find(route.sessionId);
    if (route.window != nullptr) {
        route.action = SessionAction::Update;
        return route;
    }
    route.action = SessionAction::Open;
    route.addresses = SplitAddresses(route.emails);
    return route;
}

ConversationList::MessageRoute ConversationList::RouteMessage(const ServerEvent& event) const
{
    MessageRoute route;
    const std::string sessionId = SessionIdOf(event);
    route.from = HeaderValue(event, u"From", 10240);
    if (sessionId.empty() || route.from.empty() || m_endedSessions.count(sessionId) != 0)
        return route;
    route.window = Find(sessionId);
    return route;
}

QObject* ConversationList::RouteTimeout(const ServerEvent& event) const
{
    const std::string sessionId = SessionIdOf(event);
    return sessionId.empty() ? nullptr : Find(sessionId);
}

void ConversationList::Add(const std::string& sessionId, QObject* window)
{
    m_entries.push_back({sessionId, window});
}

QObject* ConversationList::Find(const std::string& sessionId) const
{
    for (const Entry& entry : m_entries)
        if (entry.window && entry.sessionId == sessionId)
            return entry.window.data();
    return nullptr;
}

std::vector<QObject*> ConversationList::Windows() const
{
    std::vector<QObject*> out;
    for (const Entry& entry : m_entries)
        if (entry.window)
            out.push_back(entry.window.data());
    return out;
}

bool ConversationList::Close(QObject* window, const std::string& sessionId, bool sessionEnded)
{
    std::erase_if(m_entries, [window](const Entry& entry) {
        return entry.window.isNull() || entry.window.data() == window;
    });
    m_endedSessions.insert(sessionId);
    if (sessionEnded || m_ended)
        return false;
    m_leaving.insert(sessionId);
    return true;
}

bool ConversationList::StartLeave(const std::string& sessionId)
{
    return m_leaving.insert(sessionId).second;
}

void ConversationList::LeaveAnswered(const std::string& sessionId)
{
    m_leaving.erase(sessionId);
}

bool ConversationList::StartInvite(const std::u16string& email)
{
    return m_invitesOut.insert(Folded(email)).second;
}

void ConversationList::InviteAnswered(const std::u16string& email)
{
    m_invitesOut.erase(Folded(email));
}

std::vector<QPointer<QObject>> ConversationList::EndAll()
{
    m_ended = true;
    std::vector<QPointer<QObject>> windows;
    for (Entry& entry : m_entries)
        windows.push_back(std::move(entry.window));
    m_entries.clear();
    return windows;
}

} // namespace zep
