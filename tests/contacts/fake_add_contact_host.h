// An add-contact host whose replies the test releases, one by one and in any order. A reply
// reaches the wizard only while the context it was asked with still lives, as the view's do.
#pragma once

#include "contacts/add_contact_host.h"

#include <QObject>
#include <QPointer>
#include <optional>

namespace zep::contacts::testing {

class FakeAddContactHost : public AddContactHost
{
public:
    struct Search
    {
        std::u16string text;
        QPointer<QObject> context;
        std::function<void(ImResult, std::vector<ContactRecord>)> done;
    };
    struct Add
    {
        ContactRecord chosen;
        QPointer<QObject> context;
        std::function<void(AddContactOutcome)> done;
    };

    struct Unblock
    {
        ContactRecord user;
        QPointer<QObject> context;
        std::function<void(ImResult)> done;
    };

    std::u16string OwnEmail() const override { return own; }

    void SearchUsers(std::u16string text, QObject* context,
                     std::function<void(ImResult, std::vector<ContactRecord>)> done) override
    {
        searches.push_back({std::move(text), context, std::move(done)});
    }

    void AddContact(const ContactRecord& chosen, QObject* context,
                    std::function<void(AddContactOutcome)> done) override
    {
        adds.push_back({chosen, context, std::move(done)});
        if (answerAddAtOnce)
            ReleaseAdd(adds.size() - 1, *answerAddAtOnce);
    }

    void ListBlocked(QObject*, std::function<void(ImResult, std::vector<ContactRecord>)>) override
    {
    }

    void UnblockContact(const ContactRecord& user, QObject* context,
                        std::function<void(ImResult)> done) override
    {
        unblocks.push_back({user, context, std::move(done)});
    }

    bool ReleaseUnblock(std::size_t i, ImResult result)
    {
        Unblock& u = unblocks.at(i);
        if (!u.context)
            return false;
        u.done(result);
        return true;
    }

    // False when the asker is gone and the reply was dropped.
    bool ReleaseSearch(std::size_t i, ImResult result, std::vector<ContactRecord> users)
    {
        Search& s = searches.at(i);
        if (!s.context)
            return false;
        s.done(result, std::move(users));
        return true;
    }

    // The chain is the host's: the row goes into the main list whether or not anyone listens.
    bool ReleaseAdd(std::size_t i, AddContactOutcome outcome)
    {
        Add& a = adds.at(i);
        if (outcome == AddContactOutcome::Added)
            addedToMainList.push_back(a.chosen.email);
        if (!a.context)
            return false;
        a.done(outcome);
        return true;
    }

    std::u16string own = u"me@x.test";
    std::optional<AddContactOutcome> answerAddAtOnce;
    std::vector<Search> searches;
    std::vector<Add> adds;
    std::vector<Unblock> unblocks;
    std::vector<std::u16string> addedToMainList;
};

} // namespace zep::contacts::testing
