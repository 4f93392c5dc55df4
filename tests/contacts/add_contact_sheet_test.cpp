// The add-contact wizard against a host whose replies the test releases: the buttons of each
// page, what the results list holds, stale searches, the outcome sentences, one add per choice,
// cancelling while the host adds, and the window's modality.
#include "contacts/add_contact_pages.h"
#include "contacts/add_contact_sheet.h"
#include "contacts/contact_list_ctrl.h"
#include "fake_add_contact_host.h"
#include "test_rows.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>
#include <gtest/gtest.h>

namespace zep::contacts {
namespace {

using namespace testing;
using Page = CAddContactSheet::Page;

ContactRecord User(const std::string& name, const std::string& email,
                   PresenceStatus status = PresenceStatus::Unavailable,
                   SubStatus sub = SubStatus::None, ContactMethod method = ContactMethod::None)
{
    ContactRecord r;
    r.id = 42;
    r.name = U(name);
    r.email = U(email);
    r.status = status;
    r.subStatus = sub;
    r.contactMethod = method;
    return r;
}

const std::vector<ContactRecord> kAnnAndBob = {User("Bob", "bob@x.test"),
                                               User("Ann Lee", "ann@x.test")};

class Wizard : public ::testing::Test
{
public:
    Wizard()
    {
        QObject::connect(sheet.get(), &CAddContactSheet::Finished, [this] { ++finished; });
    }

    void Search(const char* text)
    {
        sheet->SearchEdit()->setText(QString::fromUtf8(text));
        sheet->Next();
    }
    bool Reply(std::vector<ContactRecord> users, ImResult result = ImResult::Ok)
    {
        return host.ReleaseSearch(host.searches.size() - 1, result, std::move(users));
    }
    void Choose(const char* label) { ASSERT_TRUE(sheet->SelectResult(U(label))); }
    void SearchAndChooseAnn()
    {
        Search("x");
        Reply(kAnnAndBob);
        Choose("Ann Lee <ann@x.test>");
        sheet->Next();
    }

    // The labels of the results list, in display order.
    std::string Rows() const
    {
        std::string out;
        for (int i = 0; i < sheet->Results()->ItemCount(); ++i)
            out += A(sheet->Results()->GetRow(i)->Label) + ";";
        return out;
    }
    // The buttons the user can press now.
    std::string Offered() const
    {
        std::string out;
        const std::pair<const char*, QPushButton*> buttons[] = {{"back", sheet->BackButton()},
                                                                {"next", sheet->NextButton()},
                                                                {"unblock", UnblockButton()},
                                                                {"finish", sheet->FinishButton()},
                                                                {"cancel", sheet->CancelButton()}};
        for (const auto& [name, button] : buttons) {
            if (!button->isHidden() && button->isEnabled())
                out += std::string(out.empty() ? "" : ",") + name;
        }
        return out;
    }

    QPushButton* UnblockButton() const { return sheet->FinishPage()->UnblockButton(); }

    FakeAddContactHost host;
    std::unique_ptr<CAddContactSheet> sheet = std::make_unique<CAddContactSheet>(host, nullptr);
    int finished = 0;
};

struct ButtonRow
{
    const char* name;
    void (*steps)(Wizard&);
    const char* offered;
    Page page;
};

class AddContactButtons : public Wizard, public ::testing::WithParamInterface<ButtonRow>
{
};

TEST_P(AddContactButtons, OfferedButtonsPerPageAndSelection)
{
    GetParam().steps(*this);
    EXPECT_EQ(Offered(), GetParam().offered);
    EXPECT_EQ(sheet->CurrentPage(), GetParam().page);
    EXPECT_EQ(finished, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddContactButtons,
    ::testing::Values(ButtonRow{"search_empty", [](Wizard&) {}, "cancel", Page::Search},
                      ButtonRow{"search_typed",
                                [](Wizard& w) { w.sheet->SearchEdit()->setText("bo"); },
                                "next,cancel", Page::Search},
                      ButtonRow{"search_cleared",
                                [](Wizard& w) {
                                    w.sheet->SearchEdit()->setText("b");
                                    w.sheet->SearchEdit()->clear();
                                },
                                "cancel", Page::Search},
                      ButtonRow{"search_empty_next_ignored", [](Wizard& w) { w.Search(""); },
                                "cancel", Page::Search},
                      ButtonRow{"back_to_search_with_text",
                                [](Wizard& w) {
                                    w.Search("bo");
                                    w.sheet->Back();
                                },
                                "next,cancel", Page::Search},
                      ButtonRow{"results_waiting", [](Wizard& w) { w.Search("bo"); }, "back,cancel",
                                Page::Results},
                      ButtonRow{"results_nothing_selected",
                                [](Wizard& w) {
                                    w.Search("x");
                                    w.Reply(kAnnAndBob);
                                },
                                "back,cancel", Page::Results},
                      ButtonRow{"results_match_selected",
                                [](Wizard& w) {
                                    w.Search("x");
                                    w.Reply(kAnnAndBob);
                                    w.Choose("Bob <bob@x.test>");
                                },
                                "back,next,cancel", Page::Results},
                      ButtonRow{"results_selection_cleared",
                                [](Wizard& w) {
                                    w.Search("x");
                                    w.Reply(kAnnAndBob);
                                    w.Choose("Bob <bob@x.test>");
                                    w.sheet->Results()->clearSelection();
                                },
                                "back,cancel", Page::Results},
                      ButtonRow{"results_info_row_selected",
                                [](Wizard& w) {
                                    w.Search("x");
                                    w.Reply({});
                                    w.Choose("No contacts found.");
                                    w.sheet->Next();
                                },
                                "back,cancel", Page::Results},
                      ButtonRow{"results_while_adding", [](Wizard& w) { w.SearchAndChooseAnn(); },
                                "cancel", Page::Results},
                      ButtonRow{"finish",
                                [](Wizard& w) {
                                    w.SearchAndChooseAnn();
                                    w.host.ReleaseAdd(0, AddContactOutcome::Added);
                                },
                                "finish", Page::Finish},
                      ButtonRow{"finish_escape_ignored",
                                [](Wizard& w) {
                                    w.SearchAndChooseAnn();
                                    w.host.ReleaseAdd(0, AddContactOutcome::Added);
                                    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape,
                                                     Qt::NoModifier);
                                    QCoreApplication::sendEvent(w.sheet.get(), &escape);
                                    w.sheet->Back();
                                },
                                "finish", Page::Finish}),
    [](const auto& info) { return std::string(info.param.name); });

struct ResultRow
{
    const char* name;
    const char* own;
    ImResult result;
    std::vector<ContactRecord> users;
    const char* rows;
};

class AddContactResults : public Wizard, public ::testing::WithParamInterface<ResultRow>
{
};

TEST_P(AddContactResults, MatchesOtherThanTheUserOrTheInfoRow)
{
    host.own = U(GetParam().own);
    Search("x@");
    EXPECT_EQ(Rows(), ""); // nothing is judged before the reply
    ASSERT_TRUE(Reply(GetParam().users, GetParam().result));
    EXPECT_EQ(Rows(), GetParam().rows);
    for (int i = 0; i < sheet->Results()->ItemCount(); ++i) {
        const CContactDisplay* row = sheet->Results()->GetRow(i);
        EXPECT_EQ(row->Indent, 0);
        EXPECT_TRUE(row->Kind == ContactDisplayKind::OnlineContact ||
                    (row->Kind == ContactDisplayKind::InfoRow && i == 0 &&
                     sheet->Results()->ItemCount() == 1));
    }
    EXPECT_EQ(A(host.searches.at(0).text), "x@");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddContactResults,
    ::testing::Values(ResultRow{"others_listed", "me@x.test", ImResult::Ok, kAnnAndBob,
                                "Ann Lee <ann@x.test>;Bob <bob@x.test>;"},
                      ResultRow{"own_address_filtered_without_case",
                                "Me@X.test",
                                ImResult::Ok,
                                {User("Pat", "mE@x.TEST"), User("Ann Lee", "ann@x.test")},
                                "Ann Lee <ann@x.test>;"},
                      ResultRow{"only_the_user",
                                "me@x.test",
                                ImResult::Ok,
                                {User("Pat", "ME@x.test")},
                                "No contacts found.;"},
                      ResultRow{"no_match", "me@x.test", ImResult::Ok, {}, "No contacts found.;"},
                      ResultRow{"search_failed", "me@x.test", ImResult::ConnectionClosed,
                                kAnnAndBob, "No contacts found.;"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Wizard, ResultsAreSortedFlatAndIconedByTheirPresence)
{
    Search("x");
    Reply({User("Zed", "zed@x.test", PresenceStatus::Available),
           User("bob", "bob@x.test", PresenceStatus::Unavailable, SubStatus::None,
                ContactMethod::Email),
           User("alice", "alice@x.test", PresenceStatus::Available, SubStatus::Lunch),
           User("Carl", "carl@x.test")});
    EXPECT_EQ(Rows(), "alice <alice@x.test>;bob <bob@x.test>;Carl <carl@x.test>;Zed <zed@x.test>;");
    const ContactListEngine& engine = sheet->Results()->Engine();
    EXPECT_EQ(engine.Model().Size(), 4u); // no header or placeholder behind the scenes
    const ContactImage images[] = {ContactImage::Away, ContactImage::Email, ContactImage::Contact,
                                   ContactImage::Contact};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(engine.ImageOf(*engine.ShownAt(i)), images[i]) << i;
}

struct StaleRow
{
    const char* name;
    std::vector<ContactRecord> oldUsers;
    bool newFirst;
};

class AddContactStaleSearch : public Wizard, public ::testing::WithParamInterface<StaleRow>
{
};

TEST_P(AddContactStaleSearch, OnlyTheLatestSearchFillsTheList)
{
    Search("old");
    sheet->Back();
    Search("new");
    ASSERT_EQ(host.searches.size(), 2u);
    EXPECT_EQ(A(host.searches[1].text), "new");
    const auto releaseOld = [&] { host.ReleaseSearch(0, ImResult::Ok, GetParam().oldUsers); };
    if (GetParam().newFirst) {
        Reply({User("Nia", "nia@x.test")});
        releaseOld();
    } else {
        releaseOld();
        EXPECT_EQ(Rows(), ""); // the old reply neither fills nor declares the list empty
        EXPECT_TRUE(sheet->Searching());
        Reply({User("Nia", "nia@x.test")});
    }
    EXPECT_EQ(Rows(), "Nia <nia@x.test>;");
    EXPECT_FALSE(sheet->Searching());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddContactStaleSearch,
    ::testing::Values(StaleRow{"old_matches_then_new", {User("Olaf", "olaf@x.test")}, false},
                      StaleRow{"old_empty_then_new", {}, false},
                      StaleRow{"new_then_old_matches", {User("Olaf", "olaf@x.test")}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Wizard, AReplyArrivingAfterBackIsDropped)
{
    Search("a");
    sheet->Back();
    ASSERT_TRUE(host.ReleaseSearch(0, ImResult::Ok, kAnnAndBob));
    sheet->Next();
    EXPECT_EQ(sheet->CurrentPage(), Page::Results);
    EXPECT_EQ(Rows(), "");
    ASSERT_EQ(host.searches.size(), 2u);
}

struct OutcomeRow
{
    const char* name;
    AddContactOutcome outcome;
    bool atOnce;
    const char* sentence;
    const char* offered = "finish";
};

class AddContactOutcomes : public Wizard, public ::testing::WithParamInterface<OutcomeRow>
{
};

TEST_P(AddContactOutcomes, FinishPageTellsTheOutcomeWithTheChosenName)
{
    if (GetParam().atOnce)
        host.answerAddAtOnce = GetParam().outcome;
    SearchAndChooseAnn();
    ASSERT_EQ(host.adds.size(), 1u);
    EXPECT_EQ(A(host.adds[0].chosen.email), "ann@x.test");
    EXPECT_EQ(host.adds[0].chosen.id, 42);
    if (!GetParam().atOnce) {
        EXPECT_EQ(sheet->CurrentPage(), Page::Results);
        host.ReleaseAdd(0, GetParam().outcome);
    }
    EXPECT_EQ(sheet->CurrentPage(), Page::Finish);
    EXPECT_EQ(sheet->Outcome().toStdString(), GetParam().sentence);
    EXPECT_EQ(Offered(), GetParam().offered);
    sheet->FinishButton()->click();
    sheet->FinishButton()->click();
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(sheet->isHidden());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddContactOutcomes,
    ::testing::Values(OutcomeRow{"added", AddContactOutcome::Added, false,
                                 "'Ann Lee' has been successfully added to your contact list."},
                      OutcomeRow{"already_added", AddContactOutcome::AlreadyAdded, false,
                                 "'Ann Lee' has already been added to your contact list."},
                      OutcomeRow{"already_added_at_once", AddContactOutcome::AlreadyAdded, true,
                                 "'Ann Lee' has already been added to your contact list."},
                      OutcomeRow{"failed", AddContactOutcome::Failed, false,
                                 "Failed to add 'Ann Lee' to your contact list."},
                      OutcomeRow{"blocked", AddContactOutcome::Blocked, false,
                                 "'Ann Lee' is in your block list.", "unblock,finish"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Wizard, ABlockedUserIsUnblockedThenAddedOnRequest)
{
    const struct
    {
        ImResult unblocked;
        const char* sentence;
    } rows[] = {
        {ImResult::Failed, "Failed to unblock 'Ann Lee'."},
        {ImResult::Ok, "'Ann Lee' has been successfully added to your contact list."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sentence);
        host = FakeAddContactHost{};
        sheet = std::make_unique<CAddContactSheet>(host, nullptr);
        SearchAndChooseAnn();
        host.ReleaseAdd(0, AddContactOutcome::Blocked);
        UnblockButton()->click();
        UnblockButton()->click(); // a second press while the first is out
        EXPECT_EQ(Offered(), "");
        ASSERT_EQ(host.unblocks.size(), 1u);
        EXPECT_EQ(A(host.unblocks[0].user.email), "ann@x.test");
        host.ReleaseUnblock(0, row.unblocked);
        // Only a user taken off the block list is added, as a first choice would be.
        ASSERT_EQ(host.adds.size(), row.unblocked == ImResult::Ok ? 2u : 1u);
        if (host.adds.size() == 2)
            host.ReleaseAdd(1, AddContactOutcome::Added);
        EXPECT_EQ(sheet->Outcome().toStdString(), row.sentence);
        EXPECT_EQ(Offered(), "finish");
    }
}

TEST_F(Wizard, OneChoiceAddsOnceAndStaysPutWhileAdding)
{
    SearchAndChooseAnn();
    sheet->Next();
    sheet->NextButton()->click();
    emit sheet->Results()->RowActivated(sheet->Results()->GetSelected());
    sheet->Back();
    EXPECT_EQ(host.adds.size(), 1u);
    EXPECT_EQ(sheet->CurrentPage(), Page::Results);
    EXPECT_FALSE(sheet->Results()->isEnabled());
    Choose("Bob <bob@x.test>"); // even a selection made behind the user's back
    EXPECT_EQ(Offered(), "cancel");
    host.ReleaseAdd(0, AddContactOutcome::Added);
    sheet->Next();
    EXPECT_EQ(host.adds.size(), 1u);
    EXPECT_EQ(sheet->Outcome().toStdString(),
              "'Ann Lee' has been successfully added to your contact list.");
}

struct CancelRow
{
    const char* name;
    void (*cancel)(CAddContactSheet&);
    bool deleteBeforeOutcome;
};

class AddContactCancel : public Wizard, public ::testing::WithParamInterface<CancelRow>
{
};

TEST_P(AddContactCancel, TheHostStillAddsAndTheWizardHearsNothing)
{
    SearchAndChooseAnn();
    GetParam().cancel(*sheet);
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(sheet->isHidden());
    if (GetParam().deleteBeforeOutcome)
        sheet.reset();
    EXPECT_EQ(host.ReleaseAdd(0, AddContactOutcome::Added), !GetParam().deleteBeforeOutcome);
    EXPECT_EQ(host.addedToMainList, std::vector<std::u16string>{u"ann@x.test"});
    EXPECT_EQ(finished, 1);
    if (sheet) {
        EXPECT_EQ(sheet->CurrentPage(), Page::Results);
        EXPECT_TRUE(sheet->Outcome().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AddContactCancel,
    ::testing::Values(
        CancelRow{"cancel_button", [](CAddContactSheet& s) { s.CancelButton()->click(); }, false},
        CancelRow{"owner_cancels_and_deletes", [](CAddContactSheet& s) { s.Cancel(); }, true},
        CancelRow{"window_closed_and_deleted", [](CAddContactSheet& s) { s.close(); }, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Wizard, IsATopLevelWindowModalToItsOwner)
{
    QWidget owner;
    owner.show();
    sheet = std::make_unique<CAddContactSheet>(host, &owner);
    QObject::connect(sheet.get(), &CAddContactSheet::Finished, [this] { ++finished; });
    EXPECT_EQ(sheet->parent(), nullptr);
    EXPECT_EQ(sheet->windowTitle().toStdString(), "Add a contact");
    ASSERT_TRUE(sheet->Open());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    ASSERT_NE(sheet->windowHandle(), nullptr);
    EXPECT_EQ(sheet->windowHandle()->transientParent(), owner.windowHandle());
    EXPECT_EQ(QGuiApplication::modalWindow(), sheet->windowHandle());
    EXPECT_EQ(sheet->SearchEdit()->maxLength(), 256);
    sheet->Cancel();
    sheet->Cancel();
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    EXPECT_FALSE(sheet->Open()); // an ended wizard does not come back
}

TEST_F(Wizard, EveryPageShowsTheLogoAtItsTopRight)
{
    QPixmap logo(40, 20);
    logo.fill(Qt::red);
    sheet->SetLogo(logo);
    sheet->show();
    for (CAddContactPage* page : {static_cast<CAddContactPage*>(sheet->SearchPage()),
                                  static_cast<CAddContactPage*>(sheet->ListPage()),
                                  static_cast<CAddContactPage*>(sheet->FinishPage())}) {
        page->resize(400, 160);
        page->layout()->activate();
        const QRect at = page->Logo()->geometry();
        EXPECT_EQ(page->Logo()->pixmap().size(), QSize(40, 20));
        EXPECT_LE(at.top(), page->Caption()->geometry().top());
        EXPECT_GT(at.left(), page->Caption()->geometry().right());
        EXPECT_GE(at.right(), 400 - 1 - page->layout()->contentsMargins().right());
    }
}

} // namespace
} // namespace zep::contacts
