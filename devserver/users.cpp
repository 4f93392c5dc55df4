#include "devserver/users.h"

#include "devserver/auth.h"
#include "devserver/text.h"
#include "devserver/vocabulary.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <sstream>

namespace zep::devserver {

namespace {

using Json = nlohmann::json;

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

class UserReader
{
public:
    UserReader(const Json& object, size_t index, std::string& error)
        : object_(object), error_(error), where_("users[" + std::to_string(index) + "]")
    {
    }

    bool Text(const char* key, std::string& out, bool required)
    {
        auto it = object_.find(key);
        if (it == object_.end()) {
            if (required)
                return Fail(std::string("missing \"") + key + "\"");
            return true;
        }
        if (!it->is_string())
            return Fail(std::string("\"") + key + "\" must be a string");
        out = it->get<std::string>();
        if (HasLineBreak(out))
            return Fail(std::string("\"") + key + "\" must not contain a line break");
        return true;
    }

    bool Flag(const char* key, bool& out)
    {
        auto it = object_.find(key);
        if (it == object_.end())
            return true;
        if (!it->is_boolean())
            return Fail(std::string("\"") + key + "\" must be true or false");
        out = it->get<bool>();
        return true;
    }

    bool Number(const char* key, long long& out, bool required)
    {
        auto it = object_.find(key);
        if (it == object_.end())
            return required ? Fail(std::string("missing \"") + key + "\"") : true;
        if (!it->is_number_integer())
            return Fail(std::string("\"") + key + "\" must be an integer");
        out = it->get<long long>();
        return true;
    }

    bool Addresses(const char* key, std::vector<std::string>& out)
    {
        auto it = object_.find(key);
        if (it == object_.end())
            return true;
        if (!it->is_array())
            return Fail(std::string("\"") + key + "\" must be a list of addresses");
        for (const Json& entry : *it) {
            if (!entry.is_string())
                return Fail(std::string("\"") + key + "\" must be a list of addresses");
            out.push_back(entry.get<std::string>());
        }
        return true;
    }

    bool Variables(std::map<std::string, std::string>& out)
    {
        auto it = object_.find("variables");
        if (it == object_.end())
            return true;
        if (!it->is_object())
            return Fail("\"variables\" must be an object of texts");
        for (auto& [name, value] : it->items()) {
            if (!value.is_string())
                return Fail("variable \"" + name + "\" must be a string");
            std::string text = value.get<std::string>();
            if (name.empty() || HasLineBreak(name) || HasLineBreak(text) ||
                name.find(':') != std::string::npos)
                return Fail("variable \"" + name + "\" has a bad name or value");
            out[name] = std::move(text);
        }
        return true;
    }

    bool Fail(const std::string& message)
    {
        error_ = where_ + ": " + message;
        return false;
    }

private:
    const Json& object_;
    std::string& error_;
    std::string where_;
};

const std::set<std::string>& KnownKeys()
{
    static const std::set<std::string> keys = {
        "id",          "email",     "name",           "password",    "home_tel",
        "home_mobile", "home_fax",  "work_tel",       "work_mobile", "work_pager",
        "work_fax",    "location",  "contact_method", "sms_allowed", "pager_allowed",
        "enter_sends", "sms_limit", "pager_limit",    "date_format", "recent_mail",
        "contacts",    "blocked",   "variables",      "echo"};
    return keys;
}

bool ReadUser(const Json& object, size_t index, UserRecord& user, std::string& error)
{
    UserReader r(object, index, error);
    if (!object.is_object())
        return r.Fail("must be an object");
    for (auto& [key, value] : object.items()) {
        (void)value;
        if (KnownKeys().count(key) == 0)
            return r.Fail("unknown field \"" + key + "\"");
    }
    long long id = 0;
    if (!r.Number("id", id, true))
        return false;
    if (id <= 0 || id > 2147483647)
        return r.Fail("\"id\" must be a positive 32-bit integer");
    user.id = static_cast<int>(id);
    if (!r.Text("email", user.email, true) || !r.Text("name", user.name, true) ||
        !r.Text("password", user.password, true))
        return false;
    if (user.email.find('@') == std::string::npos ||
        user.email.find_first_of(" ,") != std::string::npos)
        return r.Fail("\"email\" must be an address without blanks or commas");
    if (user.email.size() > 255)
        return r.Fail("\"email\" is longer than 255 characters");
    if (user.password.empty())
        return r.Fail("\"password\" must not be empty");
    const std::pair<const char*, std::string*> texts[] = {{"home_tel", &user.homeTel},
                                                          {"home_mobile", &user.homeMobile},
                                                          {"home_fax", &user.homeFax},
                                                          {"work_tel", &user.workTel},
                                                          {"work_mobile", &user.workMobile},
                                                          {"work_pager", &user.workPager},
                                                          {"work_fax", &user.workFax},
                                                          {"location", &user.location},
                                                          {"contact_method", &user.contactMethod},
                                                          {"date_format", &user.dateFormat}};
    for (auto& [key, target] : texts) {
        if (!r.Text(key, *target, false))
            return false;
    }
    if (!IsContactMethodWord(user.contactMethod))
        return r.Fail("unknown \"contact_method\" \"" + user.contactMethod + "\"");
    user.contactMethod = ToUpperWord(user.contactMethod);
    if (!r.Flag("sms_allowed", user.smsAllowed) || !r.Flag("pager_allowed", user.pagerAllowed) ||
        !r.Flag("enter_sends", user.enterSends) || !r.Flag("echo", user.echo))
        return false;
    if (!r.Number("sms_limit", user.smsLimit, false) ||
        !r.Number("pager_limit", user.pagerLimit, false) ||
        !r.Number("recent_mail", user.recentMail, false))
        return false;
    if (user.recentMail < 0)
        return r.Fail("\"recent_mail\" must not be negative");
    return r.Addresses("contacts", user.contacts) && r.Addresses("blocked", user.blocked) &&
           r.Variables(user.variables);
}

bool CheckReferences(const std::vector<UserRecord>& users, std::string& error)
{
    std::set<int> ids;
    std::set<std::string> addresses;
    for (const UserRecord& user : users) {
        if (!ids.insert(user.id).second) {
            error = "user id " + std::to_string(user.id) + " is used twice";
            return false;
        }
        if (!addresses.insert(ToLower(user.email)).second) {
            error = "address \"" + user.email + "\" is used twice";
            return false;
        }
    }
    for (const UserRecord& user : users) {
        for (const auto* list : {&user.contacts, &user.blocked}) {
            for (const std::string& address : *list) {
                if (addresses.count(ToLower(address)) == 0) {
                    error = "user \"" + user.email + "\" lists unknown address \"" + address + "\"";
                    return false;
                }
            }
        }
    }
    return true;
}

} // namespace

std::vector<UserRecord> DemoUsers()
{
    std::vector<UserRecord> users(5);
    UserRecord& anna = users[0];
    anna.id = 1;
    anna.email = "anna@example.com";
    anna.name = "Anna Berg";
    anna.password = "anna123";
    anna.workTel = "+44 20 7946 0101";
    anna.workMobile = "+44 7700 900101";
    anna.homeMobile = "+44 7700 900111";
    anna.workPager = "+44 7623 900101";
    anna.location = "London office, room 4.12";
    anna.contactMethod = "WORKMOBILE";
    anna.smsAllowed = true;
    anna.pagerAllowed = true;
    anna.recentMail = 2;
    anna.contacts = {"ben@example.com", "carla@example.com", "echo@example.com"};

    UserRecord& ben = users[1];
    ben.id = 2;
    ben.email = "ben@example.com";
    ben.name = "Ben Okafor";
    ben.password = "ben123";
    ben.workTel = "+44 20 7946 0102";
    ben.location = "Manchester";
    ben.contactMethod = "EMAIL";
    ben.contacts = {"anna@example.com", "carla@example.com", "echo@example.com"};

    UserRecord& carla = users[2];
    carla.id = 3;
    carla.email = "carla@example.com";
    carla.name = "Carla Diaz";
    carla.password = "carla123";
    carla.homeTel = "+44 161 496 0103";
    carla.contactMethod = "HOMEPHONE";
    carla.contacts = {"anna@example.com", "ben@example.com", "echo@example.com"};

    UserRecord& echo = users[3];
    echo.id = 4;
    echo.email = "echo@example.com";
    echo.name = "Echo";
    echo.password = RandomHex(16); // nobody logs on as Echo
    echo.location = "Everywhere";
    echo.echo = true;

    // Nobody's contact yet: the one to find and add with the add-contact wizard.
    UserRecord& dana = users[4];
    dana.id = 5;
    dana.email = "dana@example.com";
    dana.name = "Dana Novak";
    dana.password = "dana123";
    dana.workMobile = "+44 7700 900105";
    dana.workPager = "+44 7623 900105";
    dana.location = "Leeds";
    dana.contactMethod = "WORKSMS";
    dana.smsAllowed = true;
    dana.pagerAllowed = true;
    return users;
}

bool ParseUsers(std::string_view json, std::vector<UserRecord>& users, std::string& error)
{
    Json root = Json::parse(json, nullptr, false);
    if (root.is_discarded()) {
        error = "not valid JSON";
        return false;
    }
    if (!root.is_object() || !root.contains("users") || !root["users"].is_array()) {
        error = "expected an object with a \"users\" list";
        return false;
    }
    std::vector<UserRecord> parsed;
    size_t index = 0;
    for (const Json& entry : root["users"]) {
        UserRecord user;
        if (!ReadUser(entry, index++, user, error))
            return false;
        parsed.push_back(std::move(user));
    }
    if (parsed.empty()) {
        error = "the \"users\" list is empty";
        return false;
    }
    if (!CheckReferences(parsed, error))
        return false;
    users = std::move(parsed);
    return true;
}

bool LoadUsersFile(const std::string& path, std::vector<UserRecord>& users, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!ParseUsers(text.str(), users, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

const std::vector<std::pair<std::string, std::string>>& DefaultVariables()
{
    static const std::vector<std::pair<std::string, std::string>> defaults = {
        {"WebmailIMAvailability", "AVAILABLE"},
        {"IMShowAway", "1"},
        {"IMAwayTime", "3"},
        {"WebmailIMEmailTransaction", "0"},
        {"WebmailIMSendOnEnter", "1"},
        {"IMOnlineShowEmail", "1"},
        {"IMOnlineShowCalendar", "0"},
        {"IMOnlineCalendarStatus", ""},
        {"IMOnlineShowLocation", "1"},
        {"IMOfflineShowEmail", "1"},
        {"IMOfflineShowCalendar", "0"},
        {"IMOfflineCalendarStatus", ""},
        {"IMShowOfflineContactMethod", "1"},
        {"IMOfflineContactMethod", ""}};
    return defaults;
}

} // namespace zep::devserver
