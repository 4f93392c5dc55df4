// Participant bookkeeping: session updates, the "To" line and title, and the range of the input
// that a send takes.
#include "conversations/message_window.h"
#include "conversations/participants.h"

#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

std::u16string U(const std::string& s)
{
    return QString::fromStdString(s).toStdU16String();
}

std::string A(const std::u16string& s)
{
    return QString::fromStdU16String(s).toStdString();
}

struct Start
{
    std::string email;
    std::string name;
    bool left = false;
};

Participants Make(const std::vector<Start>& start)
{
    Participants list(u"me@x.test");
    for (const Start& s : start) {
        list.Add(U(s.email), U(s.name));
        if (s.left)
            list.Find(U(s.email))->left = true;
    }
    return list;
}

std::string Describe(const std::vector<ParticipantNotice>& notices)
{
    std::string out;
    for (const ParticipantNotice& n : notices) {
        if (!out.empty())
            out += "; ";
        out += A(NoticeText(n));
    }
    return out;
}

struct ReconcileRow
{
    const char* name;
    std::vector<Start> start;
    std::string update;
    std::string notices;
    std::string toLine;
    int inSession;
};

class Reconcile : public ::testing::TestWithParam<ReconcileRow>
{
};

const Start kMe{"me@x.test", "Me"};
const Start kBob{"bob@x.test", "Bob"};
const Start kCarol{"carol@x.test", "Carol"};

TEST_P(Reconcile, NoticesToLineAndCount)
{
    const ReconcileRow& row = GetParam();
    Participants list = Make(row.start);
    // The directory knows Carol and Erin; anyone else gets no name from it.
    const auto resolve = [](const std::u16string& email) -> std::u16string {
        if (email == u"carol@x.test")
            return u"Carol";
        if (email == u"erin@x.test")
            return u"Erin E.";
        return {};
    };
    EXPECT_EQ(Describe(list.Reconcile(U(row.update), resolve)), row.notices);
    EXPECT_EQ(A(list.ToLine()), row.toLine);
    EXPECT_EQ(list.InSession(), row.inSession);
}

INSTANTIATE_TEST_SUITE_P(
    SessionUpdates, Reconcile,
    ::testing::Values(
        ReconcileRow{
            "nothing_changes", {kMe, kBob}, "me@x.test,bob@x.test", "", "Bob <bob@x.test>", 2},
        ReconcileRow{"the_other_leaves",
                     {kMe, kBob},
                     "me@x.test",
                     "'Bob' has left the conversation",
                     "<All participants have left the conversation>",
                     1},
        ReconcileRow{"one_who_left_rejoins",
                     {kMe, {"bob@x.test", "Bob", true}},
                     "me@x.test,bob@x.test",
                     "'Bob' has joined the conversation",
                     "Bob <bob@x.test>",
                     2},
        ReconcileRow{"newcomer_named_by_the_directory",
                     {kMe, kBob},
                     "me@x.test,bob@x.test,erin@x.test",
                     "'Erin E.' has joined the conversation",
                     "Bob <bob@x.test>; Erin E. <erin@x.test>",
                     3},
        ReconcileRow{"unknown_newcomer_gets_the_local_part",
                     {kMe, kBob},
                     "me@x.test,bob@x.test,zed.q@y.test",
                     "'zed.q' has joined the conversation",
                     "Bob <bob@x.test>; zed.q <zed.q@y.test>",
                     3},
        ReconcileRow{"case_and_blanks_do_not_matter",
                     {kMe, kBob},
                     " ME@X.TEST , Bob@X.Test ",
                     "",
                     "Bob <bob@x.test>",
                     2},
        ReconcileRow{"empty_entries_are_skipped",
                     {kMe, kBob},
                     ",me@x.test,,bob@x.test,",
                     "",
                     "Bob <bob@x.test>",
                     2},
        ReconcileRow{"joins_in_list_order_then_leaves",
                     {kMe, kBob, kCarol},
                     "me@x.test,erin@x.test,bob@x.test,dan@x.test",
                     "'Erin E.' has joined the conversation; 'dan' has joined the conversation; "
                     "'Carol' has left the conversation",
                     "Bob <bob@x.test>; Erin E. <erin@x.test>; dan <dan@x.test>",
                     4},
        ReconcileRow{"everyone_gone",
                     {kMe, kBob, kCarol},
                     "",
                     "'Me' has left the conversation; 'Bob' has left the conversation; "
                     "'Carol' has left the conversation",
                     "<All participants have left the conversation>",
                     0}),
    [](const auto& info) { return std::string(info.param.name); });

struct TitleRow
{
    const char* name;
    std::vector<Start> start;
    std::string toLine;
    std::string title;
};

class ToLineAndTitle : public ::testing::TestWithParam<TitleRow>
{
};

TEST_P(ToLineAndTitle, SkipTheUserAndThoseWhoLeft)
{
    const TitleRow& row = GetParam();
    const Participants list = Make(row.start);
    EXPECT_EQ(A(list.ToLine()), row.toLine);
    EXPECT_EQ(A(list.Title()), row.title);
}

INSTANTIATE_TEST_SUITE_P(Participants, ToLineAndTitle,
                         ::testing::Values(TitleRow{"two_others",
                                                    {kMe, kBob, kCarol},
                                                    "Bob <bob@x.test>; Carol <carol@x.test>",
                                                    "Bob, Carol - Conversation"},
                                           TitleRow{"own_address_in_other_case",
                                                    {{"Me@X.Test", "Me"}, kBob},
                                                    "Bob <bob@x.test>",
                                                    "Bob - Conversation"},
                                           TitleRow{"one_left",
                                                    {kMe, kBob, {"carol@x.test", "Carol", true}},
                                                    "Bob <bob@x.test>",
                                                    "Bob - Conversation"},
                                           TitleRow{"alone",
                                                    {kMe},
                                                    "<All participants have left the conversation>",
                                                    "Conversation"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParticipantList, AddingAKnownAddressRejoinsInsteadOfListingTwice)
{
    Participants list = Make({kMe, {"bob@x.test", "Bob", true}});
    EXPECT_TRUE(list.Add(u"BOB@x.test", u"Robert"));
    EXPECT_EQ(list.All().size(), 2u);
    EXPECT_TRUE(list.IsIn(u"bob@x.test"));
    EXPECT_EQ(A(list.Find(u"bob@x.test")->name), "Robert");
    EXPECT_FALSE(list.Add(u"", u"Nobody"));
    EXPECT_TRUE(list.Add(u"nameless@x.test", u""));
    EXPECT_EQ(A(list.Find(u"nameless@x.test")->name), "nameless");
}

TEST(ParticipantList, ABetterNameReplacesTheLocalPart)
{
    Participants list = Make({kMe, {"jo@x.test", ""}});
    EXPECT_EQ(A(list.Title()), "jo - Conversation");
    EXPECT_TRUE(list.UpdateName(u"JO@x.test", u"Jo Smith"));
    EXPECT_EQ(A(list.Title()), "Jo Smith - Conversation");
    EXPECT_FALSE(list.UpdateName(u"jo@x.test", u""));
    EXPECT_FALSE(list.UpdateName(u"stranger@x.test", u"Stranger"));
}

struct RangeRow
{
    const char* name;
    QString input;
    QString sent;
};

class SendRange : public ::testing::TestWithParam<RangeRow>
{
};

TEST_P(SendRange, TrailingEmptyLinesAreNotSent)
{
    const RangeRow& row = GetParam();
    EXPECT_EQ(row.input.left(SendRangeEnd(row.input)).toStdString(), row.sent.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Input, SendRange,
    ::testing::Values(RangeRow{"one_line", "hello", "hello"},
                      RangeRow{"break_of_the_last_line_stays", "hello\n\n\n", "hello\n"},
                      RangeRow{"one_trailing_break", "hello\n", "hello\n"},
                      RangeRow{"blank_line_holds_text", "hello\n \n", "hello\n \n"},
                      RangeRow{"inner_empty_lines_stay", "a\n\nb\n\n", "a\n\nb\n"},
                      RangeRow{"only_breaks_send_the_first", "\n\n\n", "\n"},
                      RangeRow{"empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace zep::conversations
