#include "addin/paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zep::addin {
namespace {

std::string Absolute(const char* value)
{
    return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

std::string HomeBased(const char* variable, const char* underHome)
{
    std::string dir = Absolute(std::getenv(variable));
    if (!dir.empty())
        return dir;
    const std::string home = Absolute(std::getenv("HOME"));
    return home.empty() ? std::string() : home + underHome;
}

std::string Under(const std::string& base, const char* rest)
{
    return base.empty() ? std::string() : base + rest;
}

} // namespace

std::string ConfigHome()
{
    return HomeBased("XDG_CONFIG_HOME", "/.config");
}

std::string DataHome()
{
    return HomeBased("XDG_DATA_HOME", "/.local/share");
}

std::vector<std::string> DataDirs()
{
    const char* value = std::getenv("XDG_DATA_DIRS");
    const std::string list =
        value != nullptr && value[0] != '\0' ? value : "/usr/local/share:/usr/share";
    std::vector<std::string> dirs;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir[0] == '/')
            dirs.push_back(dir);
        start = end + 1;
    }
    return dirs;
}

std::string MessengerSettingsFile()
{
    return Under(ConfigHome(), "/Corvane/ZEP Instant Messenger.conf");
}

std::string PlacementFile()
{
    return Under(ConfigHome(), "/Corvane/ZEP Instant Messenger toolbar.conf");
}

std::string InstallDirFile()
{
    return Under(ConfigHome(), "/Corvane/ZEP Instant Messenger installdir");
}

std::string ManifestFile()
{
    return Under(DataHome(), "/zepim/addins/Quillbay.ZEPQuillbay.addin");
}

bool IsRegularFile(const std::string& path)
{
    struct stat st
    {
    };
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& content)
{
    content.clear();
    if (path.empty())
        return false;
    // Non-blocking open: a FIFO put in the file's place must not hold the host's thread.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    struct stat st
    {
    };
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::size_t>(st.st_size) <= limit;
    char buffer[4096];
    while (ok) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
        ok = content.size() <= limit;
    }
    ::close(fd);
    if (!ok)
        content.clear();
    return ok;
}

std::string CanonicalPath(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (real == nullptr)
        return {};
    std::string out = real;
    std::free(real);
    return out;
}

bool CheckOwnedFile(const std::string& canonical, uid_t user, std::string& error)
{
    const auto safeOwner = [user](const struct stat& st) {
        return st.st_uid == 0 || st.st_uid == user;
    };
    struct stat st
    {
    };
    if (canonical.empty() || canonical[0] != '/' || ::lstat(canonical.c_str(), &st) != 0 ||
        !S_ISREG(st.st_mode)) {
        error = "not a regular file: " + canonical;
        return false;
    }
    if (!safeOwner(st) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        error = "owned or writable by another user: " + canonical;
        return false;
    }
    const std::string dir = canonical.substr(0, canonical.rfind('/'));
    struct stat ds
    {
    };
    if (::lstat(dir.empty() ? "/" : dir.c_str(), &ds) != 0 || !S_ISDIR(ds.st_mode) ||
        !safeOwner(ds) || (ds.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        error = "its folder is owned or writable by another user: " + canonical;
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, const std::string& content)
{
    if (path.empty())
        return false;
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, 0600) == 0 && WriteAll(fd, content) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace zep::addin
