// The request chains of blocking, deleting and adding a contact against a scripted server:
// which requests go out when a step fails, what the list shows and what the user is told.
#include "app/zepim_view.h"
#include "session/client_connection.h"
#include "tests/support/fake_server.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include <QApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <memory>

namespace zep {
namespace {

using contacts::AddContactOutcome;
using contacts::ContactDisplayKind;
using test::Reply;

enum class Action
{
    Block,
    Delete,
    Add,
    Unblock,
};

struct StepRow
{
    const char* what;
    Action action;
    std::vector<std::string> replies;  // one per request of the chain, lines split by "|"
    std::vector<std::string> commands; // the first line of each request the chain sent
    bool rowAfter;                     // whether the contact's row is in the list afterwards
    ContactDisplayKind kindAfter;      // its kind when it is
    std::string told;                  // the box, or the wizard's outcome ("" for none)
};

const char* OutcomeName(AddContactOutcome outcome)
{
    switch (outcome) {
    case AddContactOutcome::Added:
        return "added";
    case AddContactOutcome::AlreadyAdded:
        return "already";
    case AddContactOutcome::Failed:
        return "failed";
    case AddContactOutcome::Blocked:
        return "blocked";
    case AddContactOutcome::UnblockFailed:
        break;
    }
    return "";
}

class ContactSteps : public ::testing::TestWithParam<StepRow>
{
protected:
    void TearDown() override
    {
        server.Release();
        if (view)
            view->Shutdown();
    }

    test::ScratchHome home;
    test::FakeServer server;
    ClientConnection connection;
    std::unique_ptr<CZepimView> view;
};

TEST_P(ContactSteps, ChainOutcome)
{
    const StepRow& row = GetParam();
    // Greeting, logon, the fill (Ben is a contact, offline), then the chain's replies.
    server.Send("S 220 ready\r\n")
        .Answer(Reply({"250-9:Me:me%40x.org", "250 OK"}))
        .Answer(Reply({"1:Ben:ben%40x.org", "250 OK"}))
        .Answer(Reply({"250-ben%40x.org:UNAVAILABLE" + std::string(14, ':'), "250 OK"}))
        .Answer(Reply({"250 0"}));
    for (const std::string& reply : row.replies) {
        std::string framed;
        for (const QString& line : QString::fromStdString(reply).split(u'|'))
            framed += "S " + line.toStdString() + "\r\n";
        server.Answer(framed + "S .\r\n");
    }
    server.Hold();
    server.Start();
    ConnectSettings where;
    where.server = "127.0.0.1";
    where.port = server.Port();
    ASSERT_EQ(connection.Connect(where), 0);
    ASSERT_EQ(connection.Logon("me@x.org", "pw"), LogonAnswer::Accepted);
    view = std::make_unique<CZepimView>(connection, nullptr, 1);
    ASSERT_TRUE(test::WaitUntil([&] { return view->Filled(); }));
    // The group is collapsed: removing a row must not depend on its being shown.
    view->List()->Collapse(ContactDisplayKind::OfflineHeader);

    QSignalSpy boxes(view.get(), &CZepimView::messageShown);
    std::string told;
    bool answered = false;
    const bool dana = row.action == Action::Add || row.action == Action::Unblock;
    const std::u16string address = dana ? u"dana@x.org" : u"ben@x.org";
    ContactRecord chosen;
    chosen.id = 5;
    chosen.name = u"Dana";
    chosen.email = address;
    if (row.action == Action::Add) {
        view->AddContact(chosen, view.get(), [&](AddContactOutcome outcome) {
            told = OutcomeName(outcome);
            answered = true;
        });
    } else if (row.action == Action::Unblock) {
        view->UnblockContact(chosen, view.get(), [&](ImResult result) {
            told = result == ImResult::Ok ? "unblocked" : "failed";
            answered = true;
        });
    } else {
        const ContactRecord ben = view->FindContact(u"ben@x.org");
        ASSERT_EQ(ben.id, 1);
        if (row.action == Action::Block)
            view->BlockContact(ben);
        else
            view->DeleteContact(ben);
    }
    ASSERT_TRUE(server.WaitForRequests(4 + row.commands.size()));
    // The chain is over when the outcome is told, or (a silent delete) when a later request
    // of the worker comes back: requests are answered in order.
    if (dana) {
        ASSERT_TRUE(test::WaitUntil([&] { return answered; }));
    } else if (!row.told.empty()) {
        ASSERT_TRUE(test::WaitUntil([&] { return boxes.count() > 0; }));
        told = boxes.first().first().toString().toStdString();
    } else {
        ASSERT_TRUE(test::WaitUntil([&] { return view->FindContact(address).email.empty(); }));
    }
    const std::vector<std::string> requests = server.Requests();
    std::vector<std::string> commands;
    for (size_t i = 4; i < requests.size(); ++i)
        commands.push_back(requests[i].substr(0, requests[i].find("\r\n")));
    EXPECT_EQ(commands, row.commands);
    const auto* shown = view->List()->FindByEmail(address);
    EXPECT_EQ(shown != nullptr, row.rowAfter);
    if (shown && row.rowAfter) {
        EXPECT_EQ(shown->Kind, row.kindAfter);
    }
    EXPECT_EQ(told, row.told);
}

const std::string kDanaBlocked = "5:Dana:dana%40x.org|250 OK";
const std::string kPresent = "250-dana%40x.org:AVAILABLE" + std::string(14, ':') + "|250 OK";

INSTANTIATE_TEST_SUITE_P(
    Chains, ContactSteps,
    ::testing::Values(
        StepRow{"block",
                Action::Block,
                {"250 OK", "250 OK"},
                {"UNSUBSCRIBE", "CONTACT ADD"},
                false,
                ContactDisplayKind::OfflineContact,
                "'Ben' has been successfully added to your block list. You will not receive any "
                "messages from this user."},
        StepRow{"block refused: subscribed again",
                Action::Block,
                {"250 OK", "550 no", "250 OK"},
                {"UNSUBSCRIBE", "CONTACT ADD", "SUBSCRIBE"},
                true,
                ContactDisplayKind::OfflineContact,
                "Failed to block 'Ben'."},
        StepRow{"block, unsubscribe refused",
                Action::Block,
                {"550 no"},
                {"UNSUBSCRIBE"},
                true,
                ContactDisplayKind::OfflineContact,
                "Failed to block 'Ben'."},
        StepRow{"delete in a collapsed group",
                Action::Delete,
                {"250 OK", "250 OK"},
                {"UNSUBSCRIBE", "CONTACT DEL"},
                false,
                ContactDisplayKind::OfflineContact,
                ""},
        StepRow{"delete refused: subscribed again",
                Action::Delete,
                {"250 OK", "550 no", "250 OK"},
                {"UNSUBSCRIBE", "CONTACT DEL", "SUBSCRIBE"},
                true,
                ContactDisplayKind::OfflineContact,
                "Failed to remove 'Ben' from your contact list."},
        StepRow{"add, online at once",
                Action::Add,
                {"250 OK", "250 OK", kPresent},
                {"LIST CONTACTS", "CONTACT ADD", "SUBSCRIBE"},
                true,
                ContactDisplayKind::OnlineContact,
                "added"},
        StepRow{"add, subscription refused: the row shows offline",
                Action::Add,
                {"250 OK", "250 OK", "550 no"},
                {"LIST CONTACTS", "CONTACT ADD", "SUBSCRIBE"},
                true,
                ContactDisplayKind::OfflineContact,
                "added"},
        StepRow{"add, already on the server's list",
                Action::Add,
                {"250 OK", "552 already"},
                {"LIST CONTACTS", "CONTACT ADD"},
                false,
                ContactDisplayKind::OfflineContact,
                "already"},
        StepRow{"add refused",
                Action::Add,
                {"250 OK", "550 no"},
                {"LIST CONTACTS", "CONTACT ADD"},
                false,
                ContactDisplayKind::OfflineContact,
                "failed"},
        StepRow{"add, in the block list: nothing is added",
                Action::Add,
                {kDanaBlocked},
                {"LIST CONTACTS"},
                false,
                ContactDisplayKind::OfflineContact,
                "blocked"},
        StepRow{"unblock: the block list's entry is deleted",
                Action::Unblock,
                {kDanaBlocked, "250 OK"},
                {"LIST CONTACTS", "CONTACT DEL"},
                false,
                ContactDisplayKind::OfflineContact,
                "unblocked"},
        StepRow{"unblock refused",
                Action::Unblock,
                {kDanaBlocked, "550 no"},
                {"LIST CONTACTS", "CONTACT DEL"},
                false,
                ContactDisplayKind::OfflineContact,
                "failed"}),
    [](const ::testing::TestParamInfo<StepRow>& info) { return std::to_string(info.index); });

} // namespace
} // namespace zep
