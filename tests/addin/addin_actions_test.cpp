// What the toolbar does: the selected sender, the enabling of the buttons from the messenger's
// answers, the "Send" button's mode and tool tip, the clicks, and the quiet time after a
// failed query.
#include "addin_fixture.h"

namespace zep::test {
namespace {

using addin::kModeEmail;
using addin::kModeInstantMessage;
using addin::kModePager;
using addin::kModeSms;

const std::vector<TestItem> kAnna = {{addin::kClassMail, "anna@example.com"}};

struct EnableRow
{
    const char* name;
    addin::HResult state;
    bool visible;
    bool loggedOn;
    bool selected;
    addin::HResult details;
    addin::ContactDetails contact;
    // Launch Exit Open Hide LogIn LogOut | Im Sms Pager Email | Send SendType
    const char* enabled;
    int mode;
    const char* tooltip;
    bool asksDetails;
};

const EnableRow kEnableRows[] = {
    {"not_reachable",
     addin::kNotRunning,
     false,
     false,
     true,
     addin::kOk,
     {0, 0, true, true, true, true},
     "100000|0000|00",
     kModeInstantMessage,
     "",
     false},
    {"no_main_window",
     addin::kNotFound,
     false,
     false,
     true,
     addin::kOk,
     {0, 0, true, true, true, true},
     "100000|0000|00",
     kModeInstantMessage,
     "",
     false},
    {"logged_off",
     addin::kOk,
     true,
     false,
     true,
     addin::kOk,
     {0, 0, true, true, true, true},
     "011110|0000|00",
     kModeInstantMessage,
     "",
     false},
    {"hidden_and_logged_off",
     addin::kOk,
     false,
     false,
     true,
     addin::kOk,
     {0, 0, true, true, true, true},
     "011010|0000|00",
     kModeInstantMessage,
     "",
     false},
    {"nothing_selected",
     addin::kOk,
     true,
     true,
     false,
     addin::kOk,
     {0, 0, true, true, true, true},
     "011101|0000|00",
     kModeInstantMessage,
     "",
     false},
    {"not_a_contact",
     addin::kOk,
     true,
     true,
     true,
     addin::kNotFound,
     {0, 0, true, true, true, true},
     "011101|0000|00",
     kModeInstantMessage,
     "",
     true},
    {"details_unreachable",
     addin::kOk,
     true,
     true,
     true,
     addin::kNotRunning,
     {0, 0, true, true, true, true},
     "011101|0000|00",
     kModeInstantMessage,
     "",
     true},
    {"online_and_pageable",
     addin::kOk,
     true,
     true,
     true,
     addin::kOk,
     {0, 0, true, false, true, true},
     "011101|1011|11",
     kModeInstantMessage,
     "Send Instant Message",
     true},
    {"offline_with_mobile",
     addin::kOk,
     true,
     true,
     true,
     addin::kOk,
     {1, 0, false, true, true, true},
     "011101|0111|11",
     kModeSms,
     "Send SMS Message",
     true},
    {"offline_pageable",
     addin::kOk,
     true,
     true,
     true,
     addin::kOk,
     {1, 0, false, false, true, true},
     "011101|0011|11",
     kModePager,
     "Send Pager Message",
     true},
    {"offline_email_only",
     addin::kOk,
     true,
     true,
     true,
     addin::kOk,
     {1, 0, false, false, false, true},
     "011101|0001|11",
     kModeEmail,
     "Send Email Message",
     true},
};

class EnableTest : public AddinFixture, public ::testing::WithParamInterface<EnableRow>
{
};

TEST_P(EnableTest, FollowsTheMessenger)
{
    const EnableRow& row = GetParam();
    script.state = row.state;
    script.visible = row.visible;
    script.loggedOn = row.loggedOn;
    script.details = row.details;
    script.contact = row.contact;
    ASSERT_EQ(Connect(), addin::kOk);
    ForgetCalls();
    host.SelectItems(row.selected ? kAnna : std::vector<TestItem>{});
    const char* captions[] = {
        "Launch",          "Exit",        "Open",          "Hide",          "Log In", "Log Out",
        "Instant Message", "SMS Message", "Pager Message", "Email Message", "Send",   " "};
    std::string enabled;
    for (std::size_t i = 0; i < std::size(captions); ++i) {
        if (i == 6 || i == 10)
            enabled += '|';
        enabled += Enabled(captions[i]) ? '1' : '0';
    }
    EXPECT_EQ(enabled, row.enabled);
    EXPECT_EQ(addin->SendMode(), row.mode);
    EXPECT_EQ(host.Find("Send")->tooltip, row.tooltip);
    EXPECT_EQ(Count("GetContactDetails anna@example.com"), row.asksDetails ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(States, EnableTest, ::testing::ValuesIn(kEnableRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct SelectionRow
{
    const char* name;
    std::optional<std::vector<TestItem>> items; // none: no selection object
    std::string address;
};

const std::string kLong300(300, 'a');
// 254 ASCII letters, then a two-byte character as the 255th and one more.
const std::string kWide = std::string(254, 'b') + "\xC3\xA9" + "c";

const SelectionRow kSelectionRows[] = {
    {"mail_item", kAnna, "anna@example.com"},
    {"contact_item", std::vector<TestItem>{{addin::kClassContact, "ben@example.com"}},
     "ben@example.com"},
    {"contact_without_address", std::vector<TestItem>{{addin::kClassContact, std::nullopt}}, ""},
    {"calendar_item", std::vector<TestItem>{{26, "carla@example.com"}}, ""},
    {"two_items",
     std::vector<TestItem>{{addin::kClassMail, "a@example.com"},
                           {addin::kClassMail, "b@example.com"}},
     ""},
    {"no_selection", std::nullopt, ""},
    {"long_address_is_refused", std::vector<TestItem>{{addin::kClassMail, kLong300}}, ""},
    {"one_character_past_255_is_refused", std::vector<TestItem>{{addin::kClassMail, kWide}}, ""},
    {"exactly_255_characters_are_kept",
     std::vector<TestItem>{{addin::kClassMail, std::string(254, 'b') + "\xC3\xA9"}},
     std::string(254, 'b') + "\xC3\xA9"},
    {"not_utf8", std::vector<TestItem>{{addin::kClassMail, "anna\xFF@example.com"}}, ""},
    {"stops_at_nul", std::vector<TestItem>{{addin::kClassMail, std::string("ab\0cd", 5)}}, "ab"},
};

class SelectionTest : public AddinFixture, public ::testing::WithParamInterface<SelectionRow>
{
};

TEST_P(SelectionTest, KeepsTheSender)
{
    const SelectionRow& row = GetParam();
    ASSERT_EQ(Connect(), addin::kOk);
    host.SelectItems(kAnna);
    ASSERT_EQ(addin->SenderAddress(), "anna@example.com");
    ForgetCalls();
    host.explorer->selection = row.items;
    host.explorer->events.Raise(addin::kDispSelectionChange);
    EXPECT_EQ(addin->SenderAddress(), row.address);
    EXPECT_EQ(Count("GetMessengerState"), 1) << "the update follows every selection change";
    EXPECT_EQ(Count("GetContactDetails " + row.address), row.address.empty() ? 0 : 1);
    if (row.address.empty()) {
        EXPECT_FALSE(Enabled("Send"));
    }
}

INSTANTIATE_TEST_SUITE_P(Items, SelectionTest, ::testing::ValuesIn(kSelectionRows),
                         [](const auto& info) { return std::string(info.param.name); });

struct ClickRow
{
    const char* caption;
    const char* call;
};

const ClickRow kSendClicks[] = {
    {"Instant Message", "SendInstantMessage anna@example.com"},
    {"SMS Message", "SendSmsMessage anna@example.com"},
    {"Pager Message", "SendPagerMessage anna@example.com"},
    {"Email Message", "SendEmailMessage anna@example.com"},
    {"Send", "SendInstantMessage anna@example.com"},
};

TEST_F(AddinFixture, SendClicksCallTheirProcedureAndAFailureDisablesTheDropDown)
{
    script.contact = {0, 0, true, true, true, true};
    ASSERT_EQ(Connect(), addin::kOk);
    host.SelectItems(kAnna);
    for (const ClickRow& row : kSendClicks) {
        SCOPED_TRACE(row.caption);
        for (addin::HResult result : {addin::kOk, addin::kNotFound}) {
            script.send = result;
            host.RaiseUpdate();
            ASSERT_TRUE(Enabled(" "));
            ForgetCalls();
            host.Click(row.caption);
            EXPECT_EQ(rpc, std::vector<std::string>{row.call}) << "no refresh after a send";
            EXPECT_EQ(Enabled(" "), result == addin::kOk);
        }
    }
}

TEST_F(AddinFixture, SendFollowsTheContactFromOnlineToOffline)
{
    script.contact = {0, 0, true, false, true, true};
    ASSERT_EQ(Connect(), addin::kOk);
    host.SelectItems(kAnna);
    EXPECT_EQ(host.Find("Send")->tooltip, "Send Instant Message");
    script.contact = {1, 0, false, false, true, true};
    host.RaiseUpdate();
    EXPECT_EQ(addin->SendMode(), kModePager);
    EXPECT_EQ(host.Find("Send")->tooltip, "Send Pager Message");
    ForgetCalls();
    host.Click("Send");
    EXPECT_EQ(rpc, std::vector<std::string>{"SendPagerMessage anna@example.com"});
}

TEST_F(AddinFixture, NoSendWithoutSender)
{
    ASSERT_EQ(Connect(), addin::kOk);
    ForgetCalls();
    for (const ClickRow& row : kSendClicks)
        host.Click(row.caption);
    EXPECT_TRUE(rpc.empty());
}

struct CommandRow
{
    const char* caption;
    const char* call;
    addin::HResult result;
    bool refreshes;
};

const CommandRow kCommands[] = {
    {"Log In", "LogIn", addin::kOk, true},
    {"Log Out", "LogOut", addin::kOk, true},
    {"Hide", "Hide", addin::kOk, true},
    // ExitMessenger and OpenMessenger answer 1, which maps to a failure.
    {"Exit", "Exit", addin::kFail, false},
    {"Open", "Open", addin::kFail, false},
    {"Log In", "LogIn", addin::kNotRunning, false},
};

TEST_F(AddinFixture, CommandsRefreshOnlyAfterASuccess)
{
    ASSERT_EQ(Connect(), addin::kOk);
    for (const CommandRow& row : kCommands) {
        SCOPED_TRACE(std::string(row.caption) + " " + std::to_string(row.result));
        script.command = row.result;
        now += std::chrono::seconds(10); // past any quiet time
        ForgetCalls();
        host.Click(row.caption);
        std::vector<std::string> expected{row.call};
        if (row.refreshes)
            expected.push_back("GetMessengerState");
        EXPECT_EQ(rpc, expected);
    }
}

TEST_F(AddinFixture, LaunchStartsWithoutCallingTheMessenger)
{
    script.state = addin::kNotRunning;
    ASSERT_EQ(Connect(), addin::kOk);
    ASSERT_TRUE(Enabled("Launch"));
    ForgetCalls();
    host.Click("Launch");
    EXPECT_EQ(launches, 1);
    EXPECT_TRUE(rpc.empty());
}

TEST_F(AddinFixture, QuietAfterAFailedStateQuery)
{
    script.state = addin::StatusResult(addin::kStatusTimeout);
    ASSERT_EQ(Connect(), addin::kOk);
    EXPECT_EQ(Count("GetMessengerState"), 1);
    script.state = addin::kOk;
    const struct
    {
        int afterMs;
        int calls;
    } steps[] = {{0, 0}, {1000, 0}, {1999, 0}, {2000, 1}, {2500, 2}};
    const auto failedAt = now;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.afterMs);
        now = failedAt + std::chrono::milliseconds(step.afterMs);
        host.RaiseUpdate();
        EXPECT_EQ(Count("GetMessengerState"), 1 + step.calls);
        EXPECT_EQ(Enabled("Launch"), step.calls == 0) << "quiet: shown as not reachable";
    }
}

TEST_F(AddinFixture, QuietAfterAFailedDetailsQueryKeepsTheState)
{
    script.details = addin::StatusResult(addin::kStatusTimeout);
    ASSERT_EQ(Connect(), addin::kOk);
    host.SelectItems(kAnna);
    ASSERT_EQ(Count("GetContactDetails anna@example.com"), 1);
    ForgetCalls();
    now += std::chrono::milliseconds(500);
    host.RaiseUpdate();
    EXPECT_TRUE(rpc.empty());
    EXPECT_TRUE(Enabled("Log Out")) << "the last state stays";
    EXPECT_FALSE(Enabled("Instant Message"));
    // "Not a contact" is an answer, not a failure: no quiet time after it.
    now += std::chrono::seconds(2);
    script.details = addin::kNotFound;
    host.RaiseUpdate();
    host.RaiseUpdate();
    EXPECT_EQ(Count("GetContactDetails anna@example.com"), 2);
}

TEST_F(AddinFixture, StateSignalsUpdateTheButtons)
{
    script.state = addin::kNotRunning;
    ASSERT_EQ(Connect(), addin::kOk);
    ForgetCalls();
    messenger->Signal(false);
    EXPECT_TRUE(rpc.empty()) << "a state signal does not end the quiet time";
    script.state = addin::kOk;
    messenger->Signal(true); // the messenger's name got an owner
    EXPECT_EQ(rpc, std::vector<std::string>{"GetMessengerState"});
    EXPECT_FALSE(Enabled("Launch"));
    EXPECT_TRUE(Enabled("Log Out"));
}

} // namespace
} // namespace zep::test
