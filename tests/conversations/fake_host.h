// A conversation host that records what the window asks and completes each request when the
// test says so, as the view's worker would later on the UI thread.
#pragma once

#include "contacts/contact_display_list.h"
#include "conversations/conversation_host.h"
#include "conversations/message_window.h"

#include <QPointer>
#include <deque>
#include <map>

namespace zep::conversations::testing {

inline std::u16string U(const std::string& s)
{
    return QString::fromStdString(s).toStdU16String();
}

inline ContactRecord Person(const std::string& name, const std::string& email)
{
    ContactRecord r;
    r.name = U(name);
    r.email = U(email);
    r.status = PresenceStatus::Available;
    return r;
}

inline contacts::CContactDisplay Row(const std::string& name, const std::string& email,
                                     bool online = true, int id = 0)
{
    contacts::CContactDisplay row;
    row.Contact.id = id;
    row.Contact.name = U(name);
    row.Contact.email = U(email);
    row.Contact.status = online ? PresenceStatus::Available : PresenceStatus::Unavailable;
    row.Kind = online ? contacts::ContactDisplayKind::OnlineContact
                      : contacts::ContactDisplayKind::OfflineContact;
    row.Indent = 1;
    row.Label = row.Contact.name;
    return row;
}

class FakeHost : public ConversationHost
{
public:
    struct Sent
    {
        std::string headers;
        std::string body;
        QPointer<QObject> context;
        std::function<void(ImResult, std::vector<MessageFailure>)> done;
    };
    struct Invited
    {
        std::string sessionId;
        std::u16string email;
        QPointer<QObject> context;
        std::function<void(ImResult)> done;
    };
    struct Listing
    {
        QPointer<QObject> context;
        std::function<void(ImResult, std::vector<ContactRecord>)> done;
    };

    ContactRecord own = Person("Me", "me@x.test");
    std::vector<contacts::CContactDisplay> contactRows; // the main list
    std::map<std::u16string, std::string> directory;    // names the directory knows
    std::vector<Sent> sent;
    std::vector<Invited> invited;
    std::vector<Listing> listings;
    std::vector<ContactRecord> blockedRequests;
    std::vector<MessageWindow*> closed;
    std::vector<int> helpTopics;
    int lookups = 0;

    ContactRecord OwnRecord() const override { return own; }

    ContactRecord LookupParticipant(const std::u16string& email, QObject* context,
                                    std::function<void(const ContactRecord&)> resolved) override
    {
        ++lookups;
        if (auto row = FindContactRow(email))
            return Person(QString::fromStdU16String(row->Contact.name).toStdString(),
                          QString::fromStdU16String(email).toStdString());
        ContactRecord bare;
        bare.id = -1;
        bare.email = email;
        bare.name = LocalPart(email);
        if (resolved)
            asked.push_back({bare, context, std::move(resolved)});
        return bare;
    }
    // The directory answers every question still out: its name, or the bare record.
    void AnswerLookups()
    {
        for (auto& [bare, context, resolved] : std::exchange(asked, {})) {
            ContactRecord answer = bare;
            if (const auto it = directory.find(bare.email); it != directory.end())
                answer.name = QString::fromStdString(it->second).toStdU16String();
            if (context)
                resolved(answer);
        }
    }
    struct Asked
    {
        ContactRecord bare;
        QPointer<QObject> context;
        std::function<void(const ContactRecord&)> resolved;
    };
    std::vector<Asked> asked;

    void
    SendInstantMessage(std::string headers, std::string body, QObject* context,
                       std::function<void(ImResult, std::vector<MessageFailure>)> done) override
    {
        sent.push_back({std::move(headers), std::move(body), context, std::move(done)});
    }

    void InviteToSession(std::string sessionId, std::u16string email, QObject* context,
                         std::function<void(ImResult)> done) override
    {
        invited.push_back({std::move(sessionId), std::move(email), context, std::move(done)});
    }

    void ListBlocked(QObject* context,
                     std::function<void(ImResult, std::vector<ContactRecord>)> done) override
    {
        listings.push_back({context, std::move(done)});
    }

    void BlockContact(const ContactRecord& contact) override { blockedRequests.push_back(contact); }

    std::unique_ptr<contacts::CContactDisplayList> OnlineContacts() const override
    {
        auto list = std::make_unique<contacts::CContactDisplayList>();
        for (const auto& row : contactRows) {
            if (row.Kind == contacts::ContactDisplayKind::OnlineContact)
                list->Add(row);
        }
        return list;
    }

    std::optional<contacts::CContactDisplay>
    FindContactRow(const std::u16string& email) const override
    {
        for (const auto& row : contactRows) {
            if (contacts::EqualNoCase(row.Contact.email, email))
                return row;
        }
        return std::nullopt;
    }

    void ConversationClosed(MessageWindow* window) override { closed.push_back(window); }
    void ShowHelp(int topic) override { helpTopics.push_back(topic); }
    void ShowAbout() override {}

    // Completes the oldest open send; the window may have gone meanwhile.
    void CompleteSend(ImResult result, std::vector<MessageFailure> failures = {})
    {
        // Copies: the callback may start the next send, which grows the vector.
        const QPointer<QObject> context = sent.at(completedSends).context;
        const auto done = sent.at(completedSends).done;
        ++completedSends;
        if (context)
            done(result, std::move(failures));
    }
    std::size_t OpenSends() const { return sent.size() - completedSends; }

    void CompleteInvite(ImResult result)
    {
        const QPointer<QObject> context = invited.at(completedInvites).context;
        const auto done = invited.at(completedInvites).done;
        ++completedInvites;
        if (context)
            done(result);
    }

    void CompleteListing(ImResult result, std::vector<ContactRecord> blocked)
    {
        const QPointer<QObject> context = listings.at(completedListings).context;
        const auto done = listings.at(completedListings).done;
        ++completedListings;
        if (context)
            done(result, std::move(blocked));
    }

private:
    std::size_t completedSends = 0;
    std::size_t completedInvites = 0;
    std::size_t completedListings = 0;
};

} // namespace zep::conversations::testing
