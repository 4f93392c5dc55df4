// The server's user directory as configured at start: the built-in demo users or a JSON file.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zep::devserver {

struct UserRecord
{
    int id = 0;
    std::string email;
    std::string name;
    std::string password;
    std::string homeTel, homeMobile, homeFax, workTel, workMobile, workPager, workFax;
    std::string location;
    std::string contactMethod; // wire word, empty for none
    bool smsAllowed = false;
    bool pagerAllowed = false;
    bool enterSends = true;
    long long smsLimit = 160;
    long long pagerLimit = 240;
    std::string dateFormat = "dd mmm yyyy hh:mi";
    long long recentMail = 0;
    std::vector<std::string> contacts; // addresses
    std::vector<std::string> blocked;  // addresses
    std::map<std::string, std::string> variables;
    bool echo = false; // answers every conversation message with the same text; cannot log on
};

// Three people who know each other plus the "Echo" user.
std::vector<UserRecord> DemoUsers();

// Parses {"users": [...]}; on failure returns false with a message naming the problem.
bool ParseUsers(std::string_view json, std::vector<UserRecord>& users, std::string& error);
bool LoadUsersFile(const std::string& path, std::vector<UserRecord>& users, std::string& error);

// Server-side preferences every user starts with; a user's own "variables" override them.
const std::vector<std::pair<std::string, std::string>>& DefaultVariables();

} // namespace zep::devserver
