#include "conversations/participants.h"

#include "contacts/contact_display.h"
#include "protocol/ui_text.h"

#include <algorithm>
#include <utility>

namespace zep::conversations {
namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string Trimmed(std::u16string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return std::u16string(text.substr(first, last - first));
}

std::u16string Quoted(const std::u16string& name, std::u16string_view rest)
{
    std::u16string text = u"'" + name + u"'";
    text += rest;
    return text;
}

} // namespace

std::u16string NoticeText(const ParticipantNotice& notice)
{
    return Quoted(notice.name, notice.kind == ParticipantNotice::Kind::Joined
                                   ? u" has joined the conversation"
                                   : u" has left the conversation");
}

std::u16string LocalPart(const std::u16string& email)
{
    const auto at = email.find(u'@');
    return at == std::u16string::npos ? email : email.substr(0, at);
}

std::vector<std::u16string> SplitAddressList(const std::u16string& list)
{
    std::vector<std::u16string> out;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t comma = list.find(u',', start);
        if (comma == std::u16string::npos)
            comma = list.size();
        std::u16string address = Trimmed(std::u16string_view(list).substr(start, comma - start));
        if (!address.empty())
            out.push_back(std::move(address));
        start = comma + 1;
    }
    return out;
}

bool Participants::Add(const std::u16string& email, const std::u16string& name)
{
    if (email.empty())
        return false;
    if (Participant* known = Find(email)) {
        known->left = false;
        if (!name.empty())
            known->name = name;
        return true;
    }
    m_list.push_back({false, email, name.empty() ? LocalPart(email) : name});
    return true;
}

bool Participants::UpdateName(const std::u16string& email, const std::u16string& name)
{
    Participant* p = Find(email);
    if (p == nullptr || name.empty())
        return false;
    p->name = name;
    return true;
}

const Participant* Participants::Find(const std::u16string& email) const
{
    const auto it = std::find_if(m_list.begin(), m_list.end(), [&](const Participant& p) {
        return contacts::EqualNoCase(p.email, email);
    });
    return it == m_list.end() ? nullptr : &*it;
}

Participant* Participants::Find(const std::u16string& email)
{
    return const_cast<Participant*>(std::as_const(*this).Find(email));
}

bool Participants::IsOwn(const std::u16string& email) const
{
    return contacts::EqualNoCase(email, m_ownEmail);
}

bool Participants::IsIn(const std::u16string& email) const
{
    const Participant* p = Find(email);
    return p != nullptr && !p->left;
}

int Participants::InSession() const
{
    return static_cast<int>(
        std::count_if(m_list.begin(), m_list.end(), [](const Participant& p) { return !p.left; }));
}

std::vector<const Participant*> Participants::Others() const
{
    std::vector<const Participant*> out;
    for (const Participant& p : m_list) {
        if (!p.left && !IsOwn(p.email))
            out.push_back(&p);
    }
    return out;
}

std::u16string Participants::ToLine() const
{
    std::u16string line;
    for (const Participant* p : Others()) {
        if (!line.empty())
            line += u"; ";
        line += p->name + u" <" + p->email + u">";
    }
    return line.empty() ? UiText(u"<All participants have left the conversation>") : line;
}

std::u16string Participants::Title() const
{
    std::u16string names;
    for (const Participant* p : Others()) {
        if (!names.empty())
            names += u", ";
        names += p->name;
    }
    return names.empty() ? UiText(u"Conversation") : names + UiText(u" - Conversation");
}

std::vector<ParticipantNotice> Participants::Reconcile(const std::u16string& emailList,
                                                       const Resolver& resolve)
{
    const std::vector<std::u16string> present = SplitAddressList(emailList);
    std::vector<ParticipantNotice> notices;
    for (const std::u16string& email : present) {
        if (Participant* p = Find(email)) {
            if (p->left) {
                p->left = false;
                notices.push_back({ParticipantNotice::Kind::Joined, p->email, p->name});
            }
            continue;
        }
        std::u16string name = resolve ? resolve(email) : std::u16string();
        if (name.empty())
            name = LocalPart(email);
        m_list.push_back({false, email, name});
        notices.push_back({ParticipantNotice::Kind::Joined, email, name});
    }
    for (Participant& p : m_list) {
        if (p.left)
            continue;
        const bool stillThere = std::any_of(present.begin(), present.end(), [&](const auto& e) {
            return contacts::EqualNoCase(e, p.email);
        });
        if (!stillThere) {
            p.left = true;
            notices.push_back({ParticipantNotice::Kind::Left, p.email, p.name});
        }
    }
    return notices;
}

} // namespace zep::conversations
