// The list operations: fixed rows, placeholders, visibility under collapsed headers, sort order,
// and the shown sequence the control mirrors.
#include "test_rows.h"

#include <gtest/gtest.h>

#include <random>

namespace zep::contacts {
namespace {

using namespace testing;

// Mirrors the shown sequence from the notifications alone, as the control does.
class MirrorObserver : public ShownRowsObserver
{
public:
    explicit MirrorObserver(const ContactListEngine& list) : m_list(list) {}
    void BeginInsertRows(int first, int last) override { m_pending = {first, last}; }
    void EndInsertRows() override
    {
        for (int i = m_pending.first; i <= m_pending.second; ++i)
            m_rows.insert(m_rows.begin() + i, m_list.ShownAt(i));
        ++inserts;
    }
    void BeginRemoveRows(int first, int last) override
    {
        m_rows.erase(m_rows.begin() + first, m_rows.begin() + last + 1);
        ++removes;
    }
    void EndRemoveRows() override {}
    void BeginReset() override { m_rows.clear(); }
    void EndReset() override
    {
        for (int i = 0; i < m_list.ShownCount(); ++i)
            m_rows.push_back(m_list.ShownAt(i));
        ++resets;
    }
    void RowChanged(int index) override
    {
        ASSERT_GE(index, 0);
        ASSERT_LT(index, static_cast<int>(m_rows.size()));
        ++changes;
    }
    bool Matches() const
    {
        if (static_cast<int>(m_rows.size()) != m_list.ShownCount())
            return false;
        for (int i = 0; i < m_list.ShownCount(); ++i) {
            if (m_rows[i] != m_list.ShownAt(i))
                return false;
        }
        return true;
    }
    int inserts = 0, removes = 0, changes = 0, resets = 0;

private:
    const ContactListEngine& m_list;
    std::pair<int, int> m_pending;
    std::vector<const CContactDisplay*> m_rows;
};

CContactDisplay Moved(const CContactDisplay& row, PresenceStatus status,
                      SubStatus sub = SubStatus::None)
{
    ContactRecord r = row.Contact;
    r.status = status;
    r.subStatus = sub;
    return ContactRow(r);
}

TEST(ContactListFixedRows, EmptyListShowsNoticeHeadersAndPlaceholders)
{
    ContactListEngine list;
    Fill(list, {});
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nNone of your contacts are online.\n"
                           "Offline\nNone of your contacts are offline.\n");
    EXPECT_EQ(list.Model().Size(), 5u);
}

TEST(ContactListFixedRows, MailCountChangesNoticeAndImage)
{
    ContactListEngine list;
    Fill(list, {});
    ASSERT_TRUE(list.SetMailCount(3));
    EXPECT_EQ(A(list.ShownAt(0)->Label), "You have 3 recent email messages");
    EXPECT_EQ(list.ImageOf(*list.ShownAt(0)), ContactImage::Mail);
    ASSERT_TRUE(list.SetMailCount(0));
    EXPECT_EQ(A(list.ShownAt(0)->Label), "No recent email messages");
    EXPECT_EQ(list.ImageOf(*list.ShownAt(0)), ContactImage::NoMail);
    ContactListEngine bare;
    EXPECT_FALSE(bare.SetMailCount(2)); // no notice row to carry it
}

TEST(ContactListPlaceholders, FirstOnlineRemovesAndLastOfflineBringsBack)
{
    ContactListEngine list;
    const ContactRecord ann = Contact("Ann", "ann@x.test", PresenceStatus::Unavailable);
    Fill(list, {ann});
    EXPECT_NE(list.FindByKind(ContactDisplayKind::OnlinePlaceholder), nullptr);
    EXPECT_EQ(list.FindByKind(ContactDisplayKind::OfflinePlaceholder), nullptr);

    const CContactDisplay online =
        Moved(*list.FindByEmail(u"ann@x.test"), PresenceStatus::Available);
    ASSERT_TRUE(list.UpdateContact(u"ANN@x.test", online));
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nAnn\nOffline\n"
                           "None of your contacts are offline.\n");

    ASSERT_TRUE(list.UpdateContact(u"ann@x.test", Moved(online, PresenceStatus::Unavailable)));
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nNone of your contacts are online.\n"
                           "Offline\nAnn\n");
    EXPECT_EQ(list.Model().Size(), 5u); // exactly one placeholder again
}

TEST(ContactListPlaceholders, CollapsedGroupLosesItsPlaceholderFromTheModel)
{
    ContactListEngine list;
    Fill(list, {Contact("Ann", "ann@x.test", PresenceStatus::Unavailable)});
    ASSERT_TRUE(list.Collapse(ContactDisplayKind::OnlineHeader));
    ASSERT_TRUE(list.UpdateContact(
        u"ann@x.test", Moved(*list.FindByEmail(u"ann@x.test"), PresenceStatus::Available)));
    EXPECT_EQ(list.FindByKind(ContactDisplayKind::OnlinePlaceholder), nullptr);
    ASSERT_TRUE(list.Expand(ContactDisplayKind::OnlineHeader));
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nAnn\nOffline\n"
                           "None of your contacts are offline.\n");
}

TEST(ContactListPlaceholders, RemovingTheLastContactBringsThePlaceholderBack)
{
    ContactListEngine list;
    Fill(list, {Contact("Ann", "ann@x.test")});
    ASSERT_TRUE(list.RemoveContact(u"Ann@X.test"));
    EXPECT_EQ(list.FindByEmail(u"ann@x.test"), nullptr);
    EXPECT_NE(list.FindByKind(ContactDisplayKind::OnlinePlaceholder), nullptr);
    EXPECT_FALSE(list.RemoveContact(u"ann@x.test"));
    // RemoveKind on a placeholder that is still needed puts a fresh one back.
    ASSERT_TRUE(list.RemoveKind(ContactDisplayKind::OnlinePlaceholder));
    EXPECT_NE(list.FindByKind(ContactDisplayKind::OnlinePlaceholder), nullptr);
}

TEST(ContactListSort, ByKindThenNameWithoutCaseThenAddress)
{
    ContactListEngine list;
    Fill(list, {Contact("bob", "bob@x.test"),
                Contact("Alice", "alice@x.test", PresenceStatus::Available, SubStatus::Phone),
                Contact("Sam", "sam2@x.test"), Contact("sam", "Sam1@x.test"),
                Contact("carol", "carol@x.test", PresenceStatus::Unavailable),
                Contact("Bert", "bert@x.test", PresenceStatus::Unavailable)});
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nAlice (Phone)\nbob\nsam\nSam\n"
                           "Offline\nBert\ncarol\n");
    // A sub-status suffix never moves a row: "Alice (Phone)" still sorts as "Alice".
    const CContactDisplay away =
        Moved(*list.FindByEmail(u"bob@x.test"), PresenceStatus::Available, SubStatus::ExtendedAway);
    ASSERT_TRUE(list.UpdateContact(u"bob@x.test", away));
    EXPECT_EQ(A(list.ShownAt(3)->Label), "bob (Away)");
}

TEST(ContactListSort, RenamedContactMovesToItsNewPlace)
{
    ContactListEngine list;
    Fill(list, {Contact("Ann", "ann@x.test"), Contact("Bea", "bea@x.test")});
    CContactDisplay renamed = *list.FindByEmail(u"ann@x.test");
    renamed.Contact.name = u"Zoe";
    renamed.Label = u"Zoe";
    ASSERT_TRUE(list.UpdateContact(u"ann@x.test", renamed));
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nBea\nZoe\nOffline\n"
                           "None of your contacts are offline.\n");
}

TEST(ContactListGroups, UpdateInCollapsedGroupIsFoundAndShownOnExpand)
{
    ContactListEngine list;
    Fill(list, {Contact("Ann", "ann@x.test"), Contact("Bob", "bob@x.test")});
    ASSERT_TRUE(list.Collapse(ContactDisplayKind::OfflineHeader));
    const CContactDisplay gone =
        Moved(*list.FindByEmail(u"ann@x.test"), PresenceStatus::Unavailable, SubStatus::Lunch);
    ASSERT_TRUE(list.UpdateContact(u"ann@x.test", gone));
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nBob\nOffline\n");
    const CContactDisplay* found = list.FindByEmail(u"ANN@x.test");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Kind, ContactDisplayKind::OfflineContact);
    EXPECT_EQ(list.ShownIndexOf(found), -1);
    ASSERT_TRUE(list.Expand(ContactDisplayKind::OfflineHeader));
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nBob\nOffline\nAnn (Lunch)\n");
}

TEST(ContactListGroups, ExpandAndCollapseFailOnRepeatAndOnOtherKinds)
{
    ContactListEngine list;
    Fill(list, {Contact("Ann", "ann@x.test")});
    EXPECT_FALSE(list.Expand(ContactDisplayKind::OnlineHeader));
    EXPECT_TRUE(list.Collapse(ContactDisplayKind::OnlineHeader));
    EXPECT_FALSE(list.Collapse(ContactDisplayKind::OnlineHeader));
    EXPECT_FALSE(list.IsExpanded(ContactDisplayKind::OnlineHeader));
    EXPECT_TRUE(list.IsExpanded(ContactDisplayKind::OfflineHeader));
    EXPECT_FALSE(list.Expand(ContactDisplayKind::OnlineContact));
    EXPECT_EQ(list.ImageOf(*list.FindByKind(ContactDisplayKind::OnlineHeader)),
              ContactImage::HeaderCollapsed);
    EXPECT_TRUE(list.Expand(ContactDisplayKind::OnlineHeader));
    EXPECT_EQ(list.ImageOf(*list.FindByKind(ContactDisplayKind::OnlineHeader)),
              ContactImage::HeaderExpanded);
}

TEST(ContactListGroups, HeaderAddedAfterItsRowsShowsThem)
{
    ContactListEngine list;
    list.AddDisplay(ContactRow(Contact("Ann", "ann@x.test")), false);
    EXPECT_EQ(list.ShownCount(), 0); // no header yet
    list.AddRow(ContactDisplayKind::OnlineHeader, 0, kOnlineLabel, nullptr, true);
    EXPECT_EQ(Shown(list), "Online\nAnn\n");
}

TEST(ContactListCopy, CopiesOnlineAndOptionallyOffline)
{
    ContactListEngine list;
    Fill(list,
         {Contact("Ann", "ann@x.test"), Contact("Bob", "bob@x.test", PresenceStatus::Unavailable)});
    auto online = list.CopyContacts(false);
    auto all = list.CopyContacts(true);
    EXPECT_EQ(online->Size(), 1u);
    EXPECT_EQ(all->Size(), 2u);
    ASSERT_NE(all->FindByEmail(u"bob@x.test"), nullptr);
    EXPECT_NE(all->FindByEmail(u"bob@x.test"), list.FindByEmail(u"bob@x.test")); // a copy
}

TEST(ContactListModel, FindByEmailFollowsRemovalAndAddressChange)
{
    CContactDisplayList model;
    CContactDisplay* older = model.Add(ContactRow(Contact("A", "same@x.test")));
    CContactDisplay* newer = model.Add(ContactRow(Contact("B", "Same@x.test")));
    EXPECT_EQ(model.FindByEmail(u"SAME@X.TEST"), newer); // new rows go to the head
    ASSERT_TRUE(model.Remove(newer));
    EXPECT_EQ(model.FindByEmail(u"same@x.test"), older);
    CContactDisplay moved = *older;
    moved.Contact.email = u"other@x.test";
    model.Update(older, moved);
    EXPECT_EQ(model.FindByEmail(u"same@x.test"), nullptr);
    EXPECT_EQ(model.FindByEmail(u"other@x.test"), older);
    EXPECT_FALSE(model.Remove(newer)); // already gone
    EXPECT_EQ(model.FindByEmail(u""), nullptr);
}

// Random presence changes, removals and group toggles: the sequence the control mirrors from
// the notifications stays the engine's own, sorted, with exactly the right placeholders.
TEST(ContactListMirror, RandomOperationsKeepMirrorSortedAndPlaceholdersRight)
{
    ContactListEngine list;
    MirrorObserver mirror(list);
    list.SetObserver(&mirror);
    std::vector<ContactRecord> people;
    for (int i = 0; i < 40; ++i) {
        people.push_back(Contact("n" + std::to_string(i % 7), "c" + std::to_string(i) + "@x.test",
                                 i % 3 ? PresenceStatus::Available : PresenceStatus::Unavailable));
    }
    Fill(list, people);
    std::mt19937 random(7);
    for (int step = 0; step < 3000; ++step) {
        const int who = static_cast<int>(random() % 40);
        const std::u16string email = U("c" + std::to_string(who) + "@x.test");
        const int action = static_cast<int>(random() % 10);
        if (action == 3 && step % 4 == 0) {
            static const char16_t* const filters[] = {u"", u"N3", u"c1", u"@X.", u"zz"};
            list.SetFilter(filters[random() % 5]);
        } else if (action == 0) {
            list.Collapse(random() % 2 ? ContactDisplayKind::OnlineHeader
                                       : ContactDisplayKind::OfflineHeader);
        } else if (action == 1) {
            list.Expand(random() % 2 ? ContactDisplayKind::OnlineHeader
                                     : ContactDisplayKind::OfflineHeader);
        } else if (action == 2 && step % 5 == 0) {
            list.RemoveContact(email);
        } else if (const CContactDisplay* row = list.FindByEmail(email)) {
            list.UpdateContact(
                email,
                Moved(*row, random() % 2 ? PresenceStatus::Available : PresenceStatus::Unavailable,
                      static_cast<SubStatus>(random() % 7)));
        }
        ASSERT_TRUE(mirror.Matches()) << "step " << step;
        for (int i = 1; i < list.ShownCount(); ++i)
            ASSERT_FALSE(RowLess(*list.ShownAt(i), *list.ShownAt(i - 1))) << "step " << step;
        // While filtering, a contact is shown when its name or address holds the text, and
        // a group's placeholder stands for its matches.
        const auto matches = [&](const CContactDisplay& r) {
            const std::string filter = A(list.FilterText());
            return !r.IsContact() ||
                   A(FoldCase(r.Contact.name)).find(filter) != std::string::npos ||
                   A(FoldCase(r.Contact.email)).find(filter) != std::string::npos;
        };
        bool anyOnline = false, anyOffline = false;
        for (const auto& r : list.Model()) {
            anyOnline |= r->Kind == ContactDisplayKind::OnlineContact && matches(*r);
            anyOffline |= r->Kind == ContactDisplayKind::OfflineContact && matches(*r);
            const bool shown = list.Filtering() ? matches(*r) : list.Model().IsShown(*r);
            ASSERT_EQ(list.ShownIndexOf(r.get()) >= 0, shown) << "step " << step;
        }
        ASSERT_EQ(list.Model().HasKind(ContactDisplayKind::OnlinePlaceholder), !anyOnline);
        ASSERT_EQ(list.Model().HasKind(ContactDisplayKind::OfflinePlaceholder), !anyOffline);
    }
    EXPECT_GT(mirror.removes, 0);
    EXPECT_GT(mirror.changes, 0);
    EXPECT_GT(mirror.resets, 0);
}

// The filter over Ann and Bob (online) and Carol and Émile (offline).
struct FilterRow
{
    const char* name;
    const char16_t* text;
    bool offlineCollapsed;
    const char* shown;
};

class ContactListFilter : public ::testing::TestWithParam<FilterRow>
{
};

TEST_P(ContactListFilter, ShowsMatchesInBothGroupsAndComesBackWhole)
{
    ContactListEngine list;
    MirrorObserver mirror(list);
    list.SetObserver(&mirror);
    ContactRecord emile = Contact("Emile", "emile@x.test", PresenceStatus::Unavailable);
    emile.name = u"\u00c9mile";
    Fill(list, {Contact("Ann", "ann@x.test"), Contact("Bob Builder", "bob@corp.test"),
                Contact("Carol", "carol@x.test", PresenceStatus::Unavailable), emile});
    if (GetParam().offlineCollapsed)
        list.Collapse(ContactDisplayKind::OfflineHeader);
    const std::string whole = Shown(list);
    list.SetFilter(GetParam().text);
    EXPECT_EQ(Shown(list), GetParam().shown);
    EXPECT_TRUE(mirror.Matches());
    // Headers look open and do not toggle while filtering.
    const CContactDisplay* offline = list.FindByKind(ContactDisplayKind::OfflineHeader);
    EXPECT_EQ(list.ImageOf(*offline), ContactImage::HeaderExpanded);
    EXPECT_FALSE(list.Collapse(ContactDisplayKind::OnlineHeader));
    list.SetFilter(u"");
    EXPECT_EQ(Shown(list), whole);
    EXPECT_TRUE(mirror.Matches());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ContactListFilter,
    ::testing::Values(
        FilterRow{"name", u"ann", false,
                  "No recent email messages\nOnline\nAnn\nOffline\nNo matching contacts.\n"},
        FilterRow{"address", u"corp", false,
                  "No recent email messages\nOnline\nBob Builder\nOffline\n"
                  "No matching contacts.\n"},
        FilterRow{"case_and_latin_letters", u"\u00c9MI", false,
                  "No recent email messages\nOnline\nNo matching contacts.\nOffline\n?mile\n"},
        FilterRow{"both_groups", u"@x.", false,
                  "No recent email messages\nOnline\nAnn\nOffline\nCarol\n?mile\n"},
        FilterRow{"collapsed_group_searched", u"CAROL", true,
                  "No recent email messages\nOnline\nNo matching contacts.\nOffline\nCarol\n"},
        FilterRow{"no_match", u"zz", false,
                  "No recent email messages\nOnline\nNo matching contacts.\nOffline\n"
                  "No matching contacts.\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ContactListFilter, PresenceWhileFilteringMovesTheMatchAndItsPlaceholders)
{
    ContactListEngine list;
    Fill(list, {Contact("Ann", "ann@x.test"),
                Contact("Carol", "carol@x.test", PresenceStatus::Unavailable)});
    list.SetFilter(u"car");
    ASSERT_TRUE(list.UpdateContact(
        u"carol@x.test", Moved(*list.FindByEmail(u"carol@x.test"), PresenceStatus::Available)));
    EXPECT_EQ(Shown(list), "No recent email messages\nOnline\nCarol\nOffline\n"
                           "No matching contacts.\n");
    EXPECT_EQ(list.FirstShownContact(), list.FindByEmail(u"carol@x.test"));
}

// A flat list: every row it holds is shown, sorted, and it never holds a header or placeholder.
struct FlatRow
{
    const char* name;
    // Runs on a flat list holding Zed (online) and bob (offline); returns what it reports.
    std::string (*steps)(ContactListEngine&);
    const char* reported;
    const char* shown;
};

class ContactListFlat : public ::testing::TestWithParam<FlatRow>
{
};

TEST_P(ContactListFlat, ShowsEveryRowWithoutGroups)
{
    ContactListEngine list;
    MirrorObserver mirror(list);
    list.SetObserver(&mirror);
    ASSERT_TRUE(list.SetFlat(true));
    list.AddDisplay(ContactRow(Contact("Zed", "zed@x.test")), false);
    list.AddDisplay(ContactRow(Contact("bob", "bob@x.test", PresenceStatus::Unavailable)), false);
    EXPECT_EQ(GetParam().steps(list), GetParam().reported);
    EXPECT_EQ(Shown(list), GetParam().shown);
    EXPECT_TRUE(mirror.Matches());
    EXPECT_EQ(list.Model().Size(), static_cast<std::size_t>(list.ShownCount()));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ContactListFlat,
    ::testing::Values(
        FlatRow{"sorted_by_kind_then_name",
                [](ContactListEngine& l) {
                    l.AddDisplay(ContactRow(Contact("alice", "alice@x.test")), false);
                    l.AddRow(ContactDisplayKind::InfoRow, 0, u"Note", nullptr, true);
                    return std::string();
                },
                "", "Note\nalice\nZed\nbob\n"},
        FlatRow{"refresh_adds_no_placeholder",
                [](ContactListEngine& l) {
                    l.RemoveContact(u"bob@x.test");
                    l.RefreshList();
                    return std::string();
                },
                "", "Zed\n"},
        FlatRow{"headers_and_placeholders_refused",
                [](ContactListEngine& l) {
                    std::string out;
                    for (ContactDisplayKind kind :
                         {ContactDisplayKind::OnlineHeader, ContactDisplayKind::OnlinePlaceholder,
                          ContactDisplayKind::OfflineHeader,
                          ContactDisplayKind::OfflinePlaceholder})
                        out += l.AddRow(kind, 0, u"x", nullptr, true) ? "1" : "0";
                    return out;
                },
                "0000", "Zed\nbob\n"},
        FlatRow{"update_moves_the_row_and_keeps_it_shown",
                [](ContactListEngine& l) {
                    const bool ok = l.UpdateContact(
                        u"zed@x.test",
                        ContactRow(Contact("Zed", "zed@x.test", PresenceStatus::Unavailable)));
                    return std::string(ok ? "1" : "0");
                },
                "1", "bob\nZed\n"},
        FlatRow{"update_into_a_placeholder_refused",
                [](ContactListEngine& l) {
                    CContactDisplay row = ContactRow(Contact("Zed", "zed@x.test"));
                    row.Kind = ContactDisplayKind::OnlinePlaceholder;
                    return std::string(l.UpdateContact(u"zed@x.test", row) ? "1" : "0");
                },
                "0", "Zed\nbob\n"},
        FlatRow{"mode_fixed_while_rows_then_cleared_stays_flat",
                [](ContactListEngine& l) {
                    std::string out = l.SetFlat(false) ? "1" : "0";
                    l.Clear();
                    l.AddDisplay(ContactRow(Contact("Ann", "ann@x.test")), true);
                    return out + (l.Flat() ? "flat" : "grouped");
                },
                "0flat", "Ann\n"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zep::contacts
