#include "addin/launch.h"

#include "addin/paths.h"
#include "common/app_identity.h"
#include "common/text_io.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zep::addin {
namespace {

constexpr std::size_t kEntryLimit = 64 * 1024;
// The recorded folder, as the registry value it stands for: at most 10240 bytes.
constexpr std::size_t kInstallDirLimit = 10240;

// The installed messenger's desktop entry.
std::string DesktopEntryName()
{
    return std::string(kAppId) + ".desktop";
}

// The string-type escapes of a desktop entry value.
bool Unescape(std::string_view value, std::string& out, std::string& error)
{
    out.clear();
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            out += value[i];
            continue;
        }
        if (++i == value.size()) {
            error = "Exec ends in a backslash";
            return false;
        }
        switch (value[i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            // Kept for the quoting rules below (\" \` \$ inside quotes).
            out += '\\';
            out += value[i];
        }
    }
    return true;
}

// Expands the field codes of one unquoted argument; false for an unknown code.
bool ExpandField(const std::string& word, const std::string& icon, const std::string& name,
                 const std::string& entryPath, std::vector<std::string>& argv, std::string& error)
{
    if (word == "%i") {
        if (!icon.empty()) {
            argv.push_back("--icon");
            argv.push_back(icon);
        }
        return true;
    }
    std::string out;
    bool dropped = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != '%') {
            out += word[i];
            continue;
        }
        if (++i == word.size()) {
            error = "Exec has a lone %";
            return false;
        }
        switch (word[i]) {
        case '%':
            out += '%';
            break;
        case 'f':
        case 'F':
        case 'u':
        case 'U':
        case 'd':
        case 'D':
        case 'n':
        case 'N':
        case 'v':
        case 'm':
            dropped = true; // no files or URLs are passed
            break;
        case 'c':
            out += name;
            break;
        case 'k':
            out += entryPath;
            break;
        default:
            error = std::string("Exec has the unknown field code %") + word[i];
            return false;
        }
    }
    if (!(dropped && out.empty()))
        argv.push_back(out);
    return true;
}

// The program named by a desktop entry: an absolute path, or a bare name in PATH.
bool ResolveProgram(const std::string& program, std::string& path, std::string& error)
{
    if (program.find('/') != std::string::npos) {
        if (program[0] != '/') {
            error = "program path is relative: " + program;
            return false;
        }
        path = program;
        return true;
    }
    const char* env = std::getenv("PATH");
    const std::string list = env != nullptr ? env : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(':', start);
        if (end == std::string::npos)
            end = list.size();
        const std::string dir = list.substr(start, end - start);
        start = end + 1;
        if (dir.empty() || dir[0] != '/')
            continue; // a relative PATH entry would depend on the host's folder
        const std::string candidate = dir + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0 && IsRegularFile(candidate)) {
            path = candidate;
            return true;
        }
    }
    error = "program not found in PATH: " + program;
    return false;
}

} // namespace

bool SplitExec(std::string_view exec, const std::string& icon, const std::string& name,
               const std::string& entryPath, std::vector<std::string>& argv, std::string& error)
{
    argv.clear();
    std::string text;
    if (!Unescape(exec, text, error))
        return false;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == '\t' || text[i] == '\n') {
            ++i;
            continue;
        }
        if (text[i] == '"') {
            // A quoted argument is taken literally: field codes may not appear in it.
            std::string word;
            bool closed = false;
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                }
                if (text[i] == '\\' && i + 1 < text.size() &&
                    (text[i + 1] == '"' || text[i + 1] == '`' || text[i + 1] == '$' ||
                     text[i + 1] == '\\')) {
                    ++i;
                }
                word += text[i];
            }
            if (!closed) {
                error = "Exec has an unclosed quote";
                return false;
            }
            if (i < text.size() && text[i] != ' ' && text[i] != '\t') {
                error = "Exec has text right after a quote";
                return false;
            }
            argv.push_back(word);
            continue;
        }
        std::string word;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\n') {
            if (text[i] == '"') {
                error = "Exec has a quote inside an argument";
                return false;
            }
            word += text[i++];
        }
        if (!ExpandField(word, icon, name, entryPath, argv, error))
            return false;
    }
    if (argv.empty() || argv.front().empty()) {
        error = "Exec names no program";
        return false;
    }
    return true;
}

bool ReadDesktopEntry(const std::string& path, std::vector<std::string>& argv, std::string& error)
{
    std::string content;
    if (!ReadSmallFile(path, kEntryLimit, content)) {
        error = "cannot read " + path;
        return false;
    }
    bool inEntry = false;
    bool seenEntry = false;
    std::string type, exec, icon, name, hidden;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        const std::string line =
            std::string(TrimmedLine(std::string_view(content).substr(start, end - start)));
        start = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            seenEntry = seenEntry || inEntry;
            continue;
        }
        if (!inEntry)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = std::string(TrimmedLine(std::string_view(line).substr(0, eq)));
        const std::string value = std::string(TrimmedLine(std::string_view(line).substr(eq + 1)));
        // Localised keys ("Name[de]") are not ours to pick; the plain ones are used.
        if (key == "Type")
            type = value;
        else if (key == "Exec")
            exec = value;
        else if (key == "Icon")
            icon = value;
        else if (key == "Name")
            name = value;
        else if (key == "Hidden")
            hidden = value;
    }
    if (!seenEntry) {
        error = path + " has no [Desktop Entry] group";
        return false;
    }
    if (type != "Application") {
        error = path + " is not an application entry";
        return false;
    }
    if (hidden == "true") {
        error = path + " is hidden (deleted)";
        return false;
    }
    if (exec.empty()) {
        error = path + " has no Exec";
        return false;
    }
    if (!SplitExec(exec, icon, name, path, argv, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool CheckExecutable(const std::string& path, uid_t user, std::string& error)
{
    if (path.empty() || path[0] != '/') {
        error = "not an absolute path: " + path;
        return false;
    }
    if (CanonicalPath(path) != path) {
        error = "not a canonical path (a link, \".\" or \"..\" on the way): " + path;
        return false;
    }
    if (!CheckOwnedFile(path, user, error))
        return false;
    struct stat st
    {
    };
    if (::lstat(path.c_str(), &st) != 0 || (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) {
        error = "not executable: " + path;
        return false;
    }
    return true;
}

bool FindLaunchCommand(uid_t user, std::vector<std::string>& argv, std::string& error)
{
    std::vector<std::string> dirs;
    const std::string home = DataHome();
    if (!home.empty())
        dirs.push_back(home);
    for (const std::string& dir : DataDirs())
        dirs.push_back(dir);
    for (const std::string& dir : dirs) {
        const std::string entry = dir + "/applications/" + DesktopEntryName();
        if (!IsRegularFile(entry))
            continue;
        // The first entry found is the one the desktop uses; a bad one is not passed over. A
        // link is judged by what it leads to and read there.
        const std::string canonicalEntry = CanonicalPath(entry);
        if (!CheckOwnedFile(canonicalEntry, user, error)) {
            error = "desktop entry " + entry + ": " + error;
            return false;
        }
        if (!ReadDesktopEntry(canonicalEntry, argv, error))
            return false;
        std::string program;
        if (!ResolveProgram(argv[0], program, error))
            return false;
        const std::string canonical = CanonicalPath(program);
        if (!CheckExecutable(canonical, user, error))
            return false;
        argv[0] = canonical;
        return true;
    }
    std::string recorded;
    if (!ReadSmallFile(InstallDirFile(), kInstallDirLimit, recorded) || recorded.empty()) {
        error = "no desktop entry " + DesktopEntryName() + " and no recorded folder in " +
                InstallDirFile();
        return false;
    }
    while (!recorded.empty() && (recorded.back() == '\n' || recorded.back() == '\r'))
        recorded.pop_back();
    while (recorded.size() > 1 && recorded.back() == '/')
        recorded.pop_back();
    if (recorded.find('\n') != std::string::npos || recorded.find('\0') != std::string::npos) {
        error = "the recorded folder is not one line";
        return false;
    }
    const std::string path = recorded + "/" + kExecutableName;
    if (path.size() >= kInstallDirLimit) {
        error = "the recorded folder is too long";
        return false;
    }
    if (!CheckExecutable(path, user, error))
        return false;
    argv = {path};
    return true;
}

bool StartDetached(const std::vector<std::string>& argv)
{
    if (argv.empty() || argv[0].empty() || argv[0][0] != '/')
        return false;
    // Everything is prepared before fork: the middle process only spawns and ends.
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    // Its own session, every signal at its default and none blocked (the host's ignored
    // signals would otherwise stay ignored across exec), input and outputs on /dev/null and
    // no other descriptor.
    posix_spawnattr_t attr;
    posix_spawn_file_actions_t actions;
    if (posix_spawnattr_init(&attr) != 0)
        return false;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        posix_spawnattr_destroy(&attr);
        return false;
    }
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    bool ok = posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF |
                                                  POSIX_SPAWN_SETSIGMASK) == 0 &&
              posix_spawnattr_setsigdefault(&attr, &all) == 0 &&
              posix_spawnattr_setsigmask(&attr, &none) == 0 &&
              posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
              posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
              posix_spawn_file_actions_adddup2(&actions, 1, 2) == 0 &&
              posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;
    pid_t middle = -1;
    if (ok)
        middle = ::fork();
    if (middle == 0) {
        // The grandchild's parent ends at once, so it is nobody's child in the host.
        pid_t child = -1;
        const int rc = posix_spawn(&child, args[0], &actions, &attr, args.data(), environ);
        ::_exit(rc == 0 ? 0 : 1);
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (middle < 0)
        return false;
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    // posix_spawn reports a program that could not be executed.
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Launch()
{
    std::vector<std::string> argv;
    std::string error;
    return FindLaunchCommand(::geteuid(), argv, error) && StartDetached(argv);
}

} // namespace zep::addin
