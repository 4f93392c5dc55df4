// "Launch": start the installed messenger, found by its desktop entry (named after kAppId), or for
// a build tree the executable in the recorded folder. Nothing goes through a shell, a URL handler
// or variable expansion, and what is started is checked first.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace zep::addin {

// The executable's name in the recorded folder.
inline constexpr char kExecutableName[] = "zepim";

// Splits a desktop entry's Exec value into arguments by the desktop entry rules: the string
// escapes (\s \n \t \r \\), double-quoted arguments with \" \` \$ \\ inside, and the field
// codes (%f %F %u %U and the deprecated ones dropped; %i the icon, %c the name, %k the entry's
// path, %% a percent). False with `error` set for a value that breaks the rules.
bool SplitExec(std::string_view exec, const std::string& icon, const std::string& name,
               const std::string& entryPath, std::vector<std::string>& argv, std::string& error);

// The arguments of a desktop entry file: group [Desktop Entry], Type=Application, not Hidden,
// with an Exec. False with `error` set otherwise.
bool ReadDesktopEntry(const std::string& path, std::vector<std::string>& argv, std::string& error);

// Whether `path` may be started: absolute and canonical (no symbolic link, "." or ".." on the
// way), a regular file with an execute bit, owned by root or `user`, writable by nobody else,
// in a folder owned by root or `user` and writable by nobody else. `error` says why not.
bool CheckExecutable(const std::string& path, uid_t user, std::string& error);

// What "Launch" starts: the desktop entry's command when one is installed (its program found in
// PATH when it is a bare name), else the recorded folder's executable. Every candidate passes
// CheckExecutable. False with `error` when there is nothing to start.
bool FindLaunchCommand(uid_t user, std::vector<std::string>& argv, std::string& error);

// Starts argv[0] with these arguments in a new session, detached (its parent is gone before
// this returns, so no child is left for the host to reap), with every signal at its default,
// standard input and outputs on /dev/null and no other inherited descriptor. True when the
// program was executed.
bool StartDetached(const std::vector<std::string>& argv);

// FindLaunchCommand, then StartDetached.
bool Launch();

} // namespace zep::addin
