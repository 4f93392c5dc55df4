#include "addin/native_host/registration.h"

#include "addin/paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <unistd.h>

namespace zep::nativehost {

namespace {

bool MakeFolders(const std::string& dir)
{
    std::size_t pos = 1;
    while (pos <= dir.size()) {
        pos = dir.find('/', pos);
        if (pos == std::string::npos)
            pos = dir.size();
        const std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
        ++pos;
    }
    return true;
}

} // namespace

std::string UserNativeManifestFile()
{
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
        return {};
    return std::string(home) + "/.mozilla/native-messaging-hosts/" + kNativeAppName + ".json";
}

std::string FormatNativeManifest(const std::string& hostPath)
{
    const nlohmann::json manifest{{"name", kNativeAppName},
                                  {"description", "ZEP IM AddIn"},
                                  {"path", hostPath},
                                  {"type", "stdio"},
                                  {"allowed_extensions", {kExtensionId}}};
    return manifest.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool WriteNativeManifest(const std::string& file, const std::string& hostPath, std::string& error)
{
    if (file.empty() || hostPath.empty() || hostPath[0] != '/') {
        error = "no absolute path for the manifest or the host program";
        return false;
    }
    if (!MakeFolders(file.substr(0, file.rfind('/'))) ||
        !addin::WriteFileAtomically(file, FormatNativeManifest(hostPath))) {
        error = "cannot write " + file + ": " + std::strerror(errno);
        return false;
    }
    // Thunderbird reads it as the user; others may read it too, it holds no secret.
    ::chmod(file.c_str(), 0644);
    return true;
}

bool RemoveNativeManifest(const std::string& file, std::string& error)
{
    if (file.empty() || ::unlink(file.c_str()) == 0 || errno == ENOENT)
        return true;
    error = "cannot remove " + file + ": " + std::strerror(errno);
    return false;
}

std::string OwnPath()
{
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0 || buffer[0] != '/')
        return {};
    return std::string(buffer, static_cast<std::size_t>(n));
}

} // namespace zep::nativehost
