// Who takes part in a conversation: the participants in order, the "To" line and the title
// built from them, and the reconciling of a session update. Plain C++, no widgets.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zep::conversations {

struct Participant
{
    bool left = false; // once the participant has left the session
    std::u16string email;
    std::u16string name;
};

// A caption line the window adds for a change of the session.
struct ParticipantNotice
{
    enum class Kind
    {
        Joined,
        Left
    };
    Kind kind;
    std::u16string email;
    std::u16string name;
};

// "'%s' has joined the conversation", "'%s' has left the conversation".
std::u16string NoticeText(const ParticipantNotice& notice);

// The text before the at-sign, or the whole address without one.
std::u16string LocalPart(const std::u16string& email);

// The addresses of a session update: split on ",", blanks around each trimmed, empties dropped.
std::vector<std::u16string> SplitAddressList(const std::u16string& list);

// Input and "Font" are usable only while someone else is still there and the session lives.
inline bool SessionWritable(int inSession, bool sessionEnded)
{
    return inSession >= 2 && !sessionEnded;
}

class Participants
{
public:
    // Names a newcomer of a session update.
    using Resolver = std::function<std::u16string(const std::u16string& email)>;

    explicit Participants(std::u16string ownEmail) : m_ownEmail(std::move(ownEmail)) {}

    // Appends a participant in the session; an address already known rejoins instead of
    // being listed twice. False for an empty address.
    bool Add(const std::u16string& email, const std::u16string& name);
    // False when the address is not a participant or the name is empty.
    bool UpdateName(const std::u16string& email, const std::u16string& name);

    const Participant* Find(const std::u16string& email) const;
    Participant* Find(const std::u16string& email);
    bool IsOwn(const std::u16string& email) const;
    bool IsIn(const std::u16string& email) const; // a participant who has not left

    // Participants still in the session, the user included.
    int InSession() const;
    // The other participants still in the session.
    std::vector<const Participant*> Others() const;

    // "Name <email>; ..." of the others still in, or the notice that all have left.
    std::u16string ToLine() const;
    // "Name, Name - Conversation", or "Conversation" with nobody left.
    std::u16string Title() const;

    // Applies the addresses now in the session: rejoins and newcomers (named by `resolve`, or
    // by the local part when it gives nothing) in list order, then those who left.
    std::vector<ParticipantNotice> Reconcile(const std::u16string& emailList,
                                             const Resolver& resolve);

    const std::vector<Participant>& All() const { return m_list; }
    const std::u16string& OwnEmail() const { return m_ownEmail; }

private:
    std::u16string m_ownEmail;
    std::vector<Participant> m_list;
};

} // namespace zep::conversations
