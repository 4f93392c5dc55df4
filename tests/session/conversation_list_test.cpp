// Where the conversation events go, without windows: one session has one window, a message
// finds the window its SESSION opened, and a session the user left or that ended never opens a
// window again unless the user is invited back.
#include "session/conversation_list.h"

#include <gtest/gtest.h>
#include <memory>

namespace zep {
namespace {

// What happened to session "s1" before the event.
enum class Before
{
    Nothing,
    Open,
    WindowDeleted,     // behind the list's back
    LeftLeaveOut,      // the user closed it; the LEAVE is not answered yet
    LeftLeaveAnswered, // the server has the LEAVE
    EndedThenClosed,   // it timed out, then the user closed it (no LEAVE)
    InvitedBack,       // left, then a SESSION naming the user opened a new window
    ListEnded,         // the connection ended with it open
};
// What the event does: opens a window, goes to the window of "s1", or nothing.
enum class Goes
{
    Nowhere,
    Open,
    ToWindow
};

TEST(ConversationList, EachEventGoesToItsSessionsWindowOrOpensOneOrIsDropped)
{
    struct Row
    {
        Before before;
        std::vector<std::u16string> event;
        Goes goes;
        std::vector<std::u16string> addresses = {}; // Open: trimmed, empty ones dropped
    };
    const std::u16string s1 = u"SessionId: s1", from = u"From: b@x.org", b = u"Email: b@x.org";
    const std::u16string me = u"Email: me@x.org,b@x.org";
    const std::vector<Row> rows = {
        {Before::Nothing,
         {u"SESSION", s1, u"Email:  b@x.org, ,C@x.org "},
         Goes::Open,
         {u"b@x.org", u"C@x.org"}},
        {Before::Open, {u"SESSION", s1, me}, Goes::ToWindow},
        {Before::Nothing, {u"SESSION", b}, Goes::Nowhere},
        {Before::Nothing, {u"SESSION", s1}, Goes::Nowhere},
        {Before::WindowDeleted, {u"SESSION", s1, b}, Goes::Open, {u"b@x.org"}},
        {Before::LeftLeaveOut, {u"SESSION", s1, b}, Goes::Nowhere},
        {Before::LeftLeaveOut, {u"SESSION", s1, me}, Goes::Nowhere}, // sent before the LEAVE
        {Before::LeftLeaveAnswered, {u"SESSION", s1, b}, Goes::Nowhere},
        {Before::LeftLeaveAnswered,
         {u"SESSION", s1, u"Email: b@x.org, ME@X.org"},
         Goes::Open,
         {u"b@x.org", u"ME@X.org"}},
        {Before::EndedThenClosed, {u"SESSION", s1, b}, Goes::Nowhere},
        {Before::EndedThenClosed, {u"SESSION", s1, me}, Goes::Open, {u"me@x.org", u"b@x.org"}},
        {Before::LeftLeaveOut, {u"SESSION", u"SessionId: s4", b}, Goes::Open, {u"b@x.org"}},
        {Before::ListEnded, {u"SESSION", u"SessionId: s4", b}, Goes::Nowhere},
        {Before::Open, {u"MESSAGE", s1, from, u"", u"hi"}, Goes::ToWindow},
        {Before::Open, {u"MESSAGE", s1, u"", u"hi"}, Goes::Nowhere},
        {Before::Open, {u"MESSAGE", from, u"", u"hi"}, Goes::Nowhere},
        {Before::Nothing, {u"MESSAGE", s1, from, u"", u"hi"}, Goes::Nowhere},
        {Before::LeftLeaveOut, {u"MESSAGE", s1, from, u"", u"still there?"}, Goes::Nowhere},
        {Before::InvitedBack, {u"MESSAGE", s1, from, u"", u"welcome back"}, Goes::ToWindow},
        {Before::ListEnded, {u"MESSAGE", s1, from, u"", u"hi"}, Goes::Nowhere},
        {Before::Open, {u"SESSION TIMEOUT", s1}, Goes::ToWindow},
        {Before::Open, {u"SESSION TIMEOUT"}, Goes::Nowhere},
        {Before::LeftLeaveOut, {u"SESSION TIMEOUT", s1}, Goes::Nowhere},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE("row " + std::to_string(i));
        ConversationList list(u"me@x.org");
        auto first = std::make_unique<QObject>(), second = std::make_unique<QObject>();
        QObject* window = row.before == Before::Nothing ? nullptr : first.get();
        if (window != nullptr)
            list.Add("s1", window);
        if (row.before == Before::WindowDeleted)
            first.reset();
        if (row.before >= Before::LeftLeaveOut && row.before <= Before::InvitedBack)
            list.Close(window, "s1", row.before == Before::EndedThenClosed);
        if (row.before == Before::LeftLeaveAnswered || row.before == Before::InvitedBack)
            list.LeaveAnswered("s1");
        if (row.before == Before::InvitedBack) {
            const ServerEvent invite{{u"SESSION", s1, u"Email: me@x.org"}};
            ASSERT_EQ(list.RouteSession(invite).action, ConversationList::SessionAction::Open);
            list.Add("s1", window = second.get());
        }
        if (row.before == Before::ListEnded)
            list.EndAll();

        const ServerEvent event{row.event};
        const auto where = [&](QObject* to) {
            EXPECT_TRUE(to == nullptr || to == window) << "another session's window";
            return to == nullptr ? Goes::Nowhere : Goes::ToWindow;
        };
        Goes goes = Goes::Nowhere;
        std::vector<std::u16string> addresses;
        if (ServerEventKind(event) == EventKind::Session) {
            const ConversationList::SessionRoute route = list.RouteSession(event);
            goes = route.action == ConversationList::SessionAction::Open ? Goes::Open
                                                                         : where(route.window);
            EXPECT_EQ(route.action == ConversationList::SessionAction::Update,
                      goes == Goes::ToWindow);
            addresses = route.addresses;
        } else if (ServerEventKind(event) == EventKind::Message) {
            const ConversationList::MessageRoute route = list.RouteMessage(event);
            goes = where(route.window);
            if (goes == Goes::ToWindow) {
                EXPECT_EQ(route.from, u"b@x.org");
            }
        } else {
            goes = where(list.RouteTimeout(event));
        }
        EXPECT_EQ(goes, row.goes);
        EXPECT_EQ(addresses, row.addresses);
    }
}

TEST(ConversationList, WindowsKeepTheirOrderUntilTheEndHandsThemOver)
{
    ConversationList list(u"me@x.org");
    auto a = std::make_unique<QObject>(), b = std::make_unique<QObject>();
    auto c = std::make_unique<QObject>();
    list.Add("s1", a.get());
    list.Add("s2", b.get());
    list.Add("s3", c.get());
    c.reset();
    EXPECT_EQ(list.Windows(), (std::vector<QObject*>{a.get(), b.get()}));
    EXPECT_EQ(list.Find("s2"), b.get());
    EXPECT_EQ(list.Find("s3"), nullptr);
    EXPECT_TRUE(list.Close(a.get(), "s1", false));
    EXPECT_EQ(list.Windows(), std::vector<QObject*>{b.get()});
    const std::vector<QPointer<QObject>> handed = list.EndAll();
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_EQ(handed[0].data(), b.get());
    EXPECT_TRUE(list.Windows().empty());
    EXPECT_FALSE(list.Close(b.get(), "s2", false)) << "no LEAVE once the connection ended";
}

TEST(ConversationList, OneLeavePerSessionAndOneInvitePerAddressAtATime)
{
    ConversationList list(u"me@x.org");
    EXPECT_FALSE(list.Close(nullptr, "s0", true)) << "the session had ended";
    EXPECT_TRUE(list.StartLeave("s1"));
    EXPECT_FALSE(list.StartLeave("s1"));
    list.LeaveAnswered("s1");
    EXPECT_TRUE(list.StartLeave("s1"));
    EXPECT_TRUE(list.StartInvite(u"Ben@x.org"));
    EXPECT_FALSE(list.StartInvite(u"ben@X.ORG"));
    EXPECT_TRUE(list.StartInvite(u"cy@x.org"));
    list.InviteAnswered(u"BEN@x.org");
    EXPECT_TRUE(list.StartInvite(u"ben@x.org"));
}

} // namespace
} // namespace zep
