// The development server's users file on arbitrary text: never a crash; a file it accepts
// gives users with distinct, non-empty addresses and ids, and a refused one names the problem.
#include "devserver/users.h"

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view json(reinterpret_cast<const char*>(data), size);
    std::vector<zep::devserver::UserRecord> users;
    std::string error;
    if (!zep::devserver::ParseUsers(json, users, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    std::set<std::string> emails;
    std::set<int> ids;
    for (const auto& user : users) {
        if (user.email.empty() || !emails.insert(user.email).second || !ids.insert(user.id).second)
            std::abort();
    }
    return 0;
}
