#include "transport/system_settings.h"

#include "common/text_io.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <strings.h>
#include <unistd.h>

namespace zep {

namespace {

constexpr const char* kFileName = "/Corvane/ZEP Instant Messenger.conf";

bool EqualNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Keys may use "\" or "/" between nested names.
bool KeyMatches(std::string_view key, std::string_view wanted)
{
    if (key.size() != wanted.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        char a = key[i] == '\\' ? '/' : key[i];
        char b = wanted[i] == '\\' ? '/' : wanted[i];
        if (std::tolower(static_cast<unsigned char>(a)) !=
            std::tolower(static_cast<unsigned char>(b)))
            return false;
    }
    return true;
}

std::string Unquote(std::string_view value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

} // namespace

std::string SystemSettingsPath()
{
    const char* dirs = std::getenv("XDG_CONFIG_DIRS");
    std::string_view list = dirs && *dirs ? dirs : "/etc/xdg";
    while (!list.empty()) {
        std::size_t colon = list.find(':');
        std::string dir(list.substr(0, colon));
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        if (dir.empty())
            continue;
        std::string path = dir + kFileName;
        if (access(path.c_str(), R_OK) == 0)
            return path;
    }
    return {};
}

bool ReadSystemSetting(const std::string& group, const std::string& key, std::string& value)
{
    std::string path = SystemSettingsPath();
    if (path.empty())
        return false;
    std::ifstream file(path);
    if (!file)
        return false;
    // "SSL/host" + "ConnectID" may also be written as section "SSL", key "host\ConnectID".
    std::string_view outer = group;
    std::string nestedKey = key;
    if (std::size_t slash = group.find('/'); slash != std::string::npos) {
        outer = std::string_view(group).substr(0, slash);
        nestedKey = group.substr(slash + 1) + "/" + key;
    }
    std::string line;
    std::string section;
    while (std::getline(file, line)) {
        std::string_view text = TrimmedLine(line);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[' && text.back() == ']') {
            section = std::string(text.substr(1, text.size() - 2));
            continue;
        }
        std::size_t equals = text.find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string_view name = TrimmedLine(text.substr(0, equals));
        std::string_view found = TrimmedLine(text.substr(equals + 1));
        if ((EqualNoCase(section, group) && KeyMatches(name, key)) ||
            (nestedKey != key && EqualNoCase(section, outer) && KeyMatches(name, nestedKey))) {
            value = Unquote(found);
            return true;
        }
    }
    return false;
}

} // namespace zep
