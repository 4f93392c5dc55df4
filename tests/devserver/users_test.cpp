// The users file: every field read, every kind of bad file refused with a message that names it.
#include "devserver/users.h"

#include <gtest/gtest.h>

namespace zep::devserver {
namespace {

TEST(UsersFile, ReadsEveryField)
{
    const char* json = R"({"users": [
        {"id": 7, "email": "zoe@x.test", "name": "Zoe", "password": "pw",
         "home_tel": "1", "home_mobile": "2", "home_fax": "3", "work_tel": "4",
         "work_mobile": "5", "work_pager": "6", "work_fax": "7", "location": "Lab",
         "contact_method": "homesms", "sms_allowed": true, "pager_allowed": true,
         "enter_sends": false, "sms_limit": 100, "pager_limit": 50, "date_format": "yyyy",
         "recent_mail": 4, "contacts": ["YAN@x.test"], "blocked": [],
         "variables": {"IMAwayTime": "10"}},
        {"id": 8, "email": "yan@x.test", "name": "Yan", "password": "pw2", "echo": true}]})";
    std::vector<UserRecord> users;
    std::string error;
    ASSERT_TRUE(ParseUsers(json, users, error)) << error;
    ASSERT_EQ(users.size(), 2u);
    const UserRecord& z = users[0];
    EXPECT_EQ(z.id, 7);
    EXPECT_EQ(z.homeTel + z.homeMobile + z.homeFax + z.workTel + z.workMobile + z.workPager +
                  z.workFax,
              "1234567");
    EXPECT_EQ(z.location, "Lab");
    EXPECT_EQ(z.contactMethod, "HOMESMS");
    EXPECT_TRUE(z.smsAllowed);
    EXPECT_TRUE(z.pagerAllowed);
    EXPECT_FALSE(z.enterSends);
    EXPECT_EQ(z.smsLimit, 100);
    EXPECT_EQ(z.pagerLimit, 50);
    EXPECT_EQ(z.dateFormat, "yyyy");
    EXPECT_EQ(z.recentMail, 4);
    EXPECT_EQ(z.contacts, std::vector<std::string>{"YAN@x.test"});
    EXPECT_EQ(z.variables.at("IMAwayTime"), "10");
    EXPECT_TRUE(users[1].echo);
}

struct BadFile
{
    const char* json;
    const char* expected; // part of the message
};

class UsersFileRefused : public ::testing::TestWithParam<BadFile>
{
};

TEST_P(UsersFileRefused, WithAMessageNamingTheProblem)
{
    std::vector<UserRecord> users;
    std::string error;
    EXPECT_FALSE(ParseUsers(GetParam().json, users, error));
    EXPECT_NE(error.find(GetParam().expected), std::string::npos) << error;
    EXPECT_TRUE(users.empty());
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, UsersFileRefused,
    ::testing::Values(
        BadFile{"{\"users\": [", "not valid JSON"}, BadFile{"[]", "\"users\" list"},
        BadFile{"{\"users\": []}", "empty"},
        BadFile{R"({"users": [{"email": "a@x", "name": "A", "password": "p"}]})",
                "users[0]: missing \"id\""},
        BadFile{R"({"users": [{"id": "1", "email": "a@x", "name": "A", "password": "p"}]})",
                "\"id\" must be an integer"},
        BadFile{R"({"users": [{"id": 1, "email": "ax", "name": "A", "password": "p"}]})",
                "\"email\""},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": ""}]})",
                "\"password\" must not be empty"},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": "p",
                    "sms_allowed": 1}]})",
                "\"sms_allowed\" must be true or false"},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": "p",
                    "contact_method": "FAX"}]})",
                "contact_method"},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": "p",
                    "passwrd": "p"}]})",
                "unknown field \"passwrd\""},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A\nB", "password": "p"}]})",
                "line break"},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": "p"},
                              {"id": 1, "email": "b@x", "name": "B", "password": "p"}]})",
                "user id 1 is used twice"},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": "p"},
                              {"id": 2, "email": "A@X", "name": "B", "password": "p"}]})",
                "used twice"},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": "p",
                    "contacts": ["nobody@x"]}]})",
                "unknown address \"nobody@x\""},
        BadFile{R"({"users": [{"id": 1, "email": "a@x", "name": "A", "password": "p",
                    "variables": {"IMShowAway": 1}}]})",
                "variable \"IMShowAway\""}));

TEST(UsersFile, MissingFileIsNamed)
{
    std::vector<UserRecord> users;
    std::string error;
    EXPECT_FALSE(LoadUsersFile("/nonexistent/users.json", users, error));
    EXPECT_NE(error.find("/nonexistent/users.json"), std::string::npos);
}

TEST(DemoUsers, ThreePeopleWithContactsInCommonEchoAndOneToAdd)
{
    const std::vector<UserRecord> users = DemoUsers();
    int echoes = 0;
    int withPhones = 0;
    for (const UserRecord& user : users) {
        echoes += user.echo ? 1 : 0;
        if (!user.workMobile.empty() && !user.workPager.empty() && user.smsAllowed)
            ++withPhones;
        // Dana is nobody's contact and has none: the wizard's demo finds and adds her.
        if (!user.echo && user.email != "dana@example.com") {
            EXPECT_GE(user.contacts.size(), 2u) << user.email;
        }
    }
    EXPECT_EQ(users.size(), 5u);
    EXPECT_EQ(echoes, 1);
    EXPECT_GE(withPhones, 1);
}

} // namespace
} // namespace zep::devserver
