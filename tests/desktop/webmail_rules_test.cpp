// The webmail launch's rules: whose credentials the token carries, the address opened for each
// form of "server" and "emailclientcommand", and which window titles are an open webmail.
#include "desktop/webmail_rules.h"

#include "protocol/fields.h"
#include "protocol/webmail_token.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace zep {
namespace {

struct CredentialRow
{
    const char* name;
    WebmailCredentialInput input;
    std::optional<std::string> address; // nullopt: no token
    std::string password;
};

class WebmailCredentialChoice : public testing::TestWithParam<CredentialRow>
{
};

TEST_P(WebmailCredentialChoice, PicksTheRightPair)
{
    const CredentialRow& row = GetParam();
    const std::optional<WebmailCredentials> chosen = ChooseWebmailCredentials(row.input);
    ASSERT_EQ(chosen.has_value(), row.address.has_value());
    if (!chosen)
        return;
    EXPECT_EQ(chosen->address, *row.address);
    EXPECT_EQ(chosen->password, row.password);
}

WebmailCredentialInput Input(bool loggedOn, const char* live, const char* livePassword,
                             const char* saved, const char* savedPassword, bool keep)
{
    WebmailCredentialInput input;
    input.loggedOn = loggedOn;
    input.liveAddress = live;
    input.livePassword = livePassword;
    input.savedAddress = saved;
    input.savedPassword = savedPassword;
    input.savePassword = keep;
    return input;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailCredentialChoice,
    testing::Values(
        CredentialRow{"logged_on_uses_the_session_even_when_nothing_is_kept",
                      Input(true, "anna@example.com", "typed", "anna@example.com", "", false),
                      "anna@example.com", "typed"},
        CredentialRow{"logged_on_prefers_the_session_over_a_stale_saved_password",
                      Input(true, "anna@example.com", "new", "anna@example.com", "old", true),
                      "anna@example.com", "new"},
        CredentialRow{"logged_on_as_another_address_than_saved",
                      Input(true, "ben@example.com", "ben123", "anna@example.com", "anna123", true),
                      "ben@example.com", "ben123"},
        CredentialRow{"logged_off_with_the_password_kept",
                      Input(false, "", "", "anna@example.com", "anna123", true), "anna@example.com",
                      "anna123"},
        CredentialRow{"logged_off_with_a_stored_password_not_to_be_used",
                      Input(false, "", "", "anna@example.com", "anna123", false), std::nullopt, ""},
        CredentialRow{"logged_off_kept_but_nothing_stored",
                      Input(false, "", "", "anna@example.com", "", true), std::nullopt, ""},
        CredentialRow{"logged_off_without_an_address", Input(false, "", "", "", "anna123", true),
                      std::nullopt, ""},
        CredentialRow{"session_fields_ignored_when_logged_off",
                      Input(false, "ben@example.com", "ben123", "", "", false), std::nullopt, ""}),
    [](const testing::TestParamInfo<CredentialRow>& info) { return info.param.name; });

TEST(WebmailLogonToken, IsTheFormEncodedTokenOrNothing)
{
    std::string scrambled;
    ASSERT_EQ(BuildWebmailToken("dana@example.com", "v0", scrambled), ImResult::Ok);
    EXPECT_EQ(WebmailLogonToken(WebmailCredentials{"dana@example.com", "v0"}),
              FormEncode(scrambled));
    EXPECT_NE(FormEncode(scrambled), scrambled) << "the row must need encoding";
    EXPECT_EQ(WebmailLogonToken(std::nullopt), "");
    // Credentials no token can carry give none, never a cut one.
    EXPECT_EQ(WebmailLogonToken(WebmailCredentials{"a:b@example.com", "pw"}), "");
    EXPECT_EQ(WebmailLogonToken(WebmailCredentials{"ben@example.com",
                                                   std::string(kMaxWebmailPasswordBytes + 1, 'p')}),
              "");
}

struct AddressRow
{
    const char* name;
    const char* server;
    const char* command;
    const char* token;
    ImResult result;
    const char* address;
};

class WebmailAddress : public testing::TestWithParam<AddressRow>
{
};

TEST_P(WebmailAddress, IsBuiltOrRefused)
{
    const AddressRow& row = GetParam();
    std::string address = "left over";
    EXPECT_EQ(BuildWebmailAddress(row.server, row.command, row.token, address), row.result);
    EXPECT_EQ(address, row.address);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailAddress,
    testing::Values(
        AddressRow{
            "server_page_on_port_8000", "mail.example.com", "", "T0k%2b", ImResult::Ok,
            "http://mail.example.com:8000/logon.mml?applv=T0k%2b&isMSVM=1&interfacetype=pro"},
        AddressRow{"ipv4_server", "127.0.0.1", "", "T", ImResult::Ok,
                   "http://127.0.0.1:8000/logon.mml?applv=T&isMSVM=1&interfacetype=pro"},
        AddressRow{"ipv6_literal_bracketed", "::1", "", "T", ImResult::Ok,
                   "http://[::1]:8000/logon.mml?applv=T&isMSVM=1&interfacetype=pro"},
        AddressRow{"ipv6_already_bracketed", "[2001:db8::5]", "", "T", ImResult::Ok,
                   "http://[2001:db8::5]:8000/logon.mml?applv=T&isMSVM=1&interfacetype=pro"},
        AddressRow{"spaces_around_the_server", "  mail.example.com ", "", "T", ImResult::Ok,
                   "http://mail.example.com:8000/logon.mml?applv=T&isMSVM=1&interfacetype=pro"},
        AddressRow{"no_token_leaves_applv_out", "mail.example.com", "", "", ImResult::Ok,
                   "http://mail.example.com:8000/logon.mml?isMSVM=1&interfacetype=pro"},
        AddressRow{"empty_server_refused", "", "", "T", ImResult::BadArgument, ""},
        AddressRow{"blank_server_refused", "   ", "", "T", ImResult::BadArgument, ""},
        AddressRow{"server_with_a_port_refused", "mail.example.com:99", "", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"server_with_a_path_refused", "mail.example.com/x", "", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"server_with_a_space_inside_refused", "mail example", "", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"broken_ipv6_refused", "[::1", "", "T", ImResult::BadArgument, ""},
        AddressRow{"ipv6_with_a_zone_refused", "fe80::1%eth0", "", "T", ImResult::BadArgument, ""},
        AddressRow{"command_without_query_gets_question_mark", "ignored",
                   "https://web.example.com/logon", "T", ImResult::Ok,
                   "https://web.example.com/logon?applv=T&isMSVM=1"},
        AddressRow{"command_with_query_gets_ampersand", "",
                   "http://127.0.0.1:8123/logon.mml?interfacetype=pro", "T", ImResult::Ok,
                   "http://127.0.0.1:8123/logon.mml?interfacetype=pro&applv=T&isMSVM=1"},
        AddressRow{"command_with_ipv6_host_and_port", "", "http://[::1]:8000/l?x=1", "T",
                   ImResult::Ok, "http://[::1]:8000/l?x=1&applv=T&isMSVM=1"},
        AddressRow{"command_scheme_in_capitals", "", "HTTPS://web.example.com", "T", ImResult::Ok,
                   "HTTPS://web.example.com?applv=T&isMSVM=1"},
        AddressRow{"command_without_token", "", "https://web.example.com/l", "", ImResult::Ok,
                   "https://web.example.com/l?isMSVM=1"},
        AddressRow{"command_starting_with_question_mark_refused", "", "?applv", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"command_file_scheme_refused", "", "file:///etc/passwd", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"command_javascript_refused", "", "javascript:alert(1)", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"command_program_refused", "", "/usr/bin/mail", "T", ImResult::BadArgument, ""},
        AddressRow{"command_without_host_refused", "", "http:///logon", "T", ImResult::BadArgument,
                   ""},
        AddressRow{"command_with_user_part_refused", "", "http://evil@web.example.com/", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"command_with_space_refused", "", "http://web.example.com/a b", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"command_with_fragment_refused", "", "http://web.example.com/#top", "T",
                   ImResult::BadArgument, ""},
        AddressRow{"command_with_bad_port_refused", "", "http://web.example.com:80a/", "T",
                   ImResult::BadArgument, ""}),
    [](const testing::TestParamInfo<AddressRow>& info) { return info.param.name; });

struct TitleRow
{
    const char* name;
    const char* title;
    const char* windowName;
    bool matches;
};

class WebmailTitle : public testing::TestWithParam<TitleRow>
{
};

TEST_P(WebmailTitle, Matches)
{
    const TitleRow& row = GetParam();
    EXPECT_EQ(WebmailTitleMatches(row.title, row.windowName), row.matches);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WebmailTitle,
    testing::Values(TitleRow{"professional_anywhere_in_the_title",
                             "ZEP WebMail Professional - anna@example.com - Browser", "", true},
                    TitleRow{"express", "Inbox - ZEP WebMail Express", "", true},
                    TitleRow{"configuration", "Corvane Messaging Services Configuration", "", true},
                    TitleRow{"webmail_alone_is_not_enough", "ZEP WebMail: log-on refused", "",
                             false},
                    TitleRow{"case_matters", "zep webmail professional", "", false},
                    TitleRow{"other_window", "Terminal", "", false},
                    TitleRow{"window_name_is_a_prefix", "Mail - Inbox", "Mail -", true},
                    TitleRow{"window_name_not_at_the_start", "My Mail - Inbox", "Mail -", false},
                    TitleRow{"window_name_replaces_the_built_in_titles",
                             "ZEP WebMail Professional - a", "Mail -", false},
                    TitleRow{"title_shorter_than_the_window_name", "Ma", "Mail", false}),
    [](const testing::TestParamInfo<TitleRow>& info) { return info.param.name; });

} // namespace
} // namespace zep
