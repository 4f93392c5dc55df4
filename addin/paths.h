// Where the add-in finds and keeps its files, after the XDG base directory rules, and the
// small file helpers it uses for them.
#pragma once

#include "common/text_io.h"

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zep::addin {

// $XDG_CONFIG_HOME or ~/.config; $XDG_DATA_HOME or ~/.local/share; $XDG_DATA_DIRS or
// /usr/local/share:/usr/share. Relative values are ignored, as the rules say. Empty when
// neither the variable nor HOME gives an absolute path.
std::string ConfigHome();
std::string DataHome();
std::vector<std::string> DataDirs();

// The messenger's settings file (its QSettings file) and the folder it lives in.
std::string MessengerSettingsFile();
// The toolbar's placement, beside the messenger's settings.
std::string PlacementFile();
// The messenger's folder in a build tree, recorded there by the install step or the messenger:
// one line, an absolute directory holding "zepim".
std::string InstallDirFile();
// The registration manifest that the host reads to find the add-in.
std::string ManifestFile();

using ::zep::WriteAll;
// Reads a regular file of at most `limit` bytes. False when it is missing, not a regular file,
// larger or unreadable.
bool ReadSmallFile(const std::string& path, std::size_t limit, std::string& content);
// Writes `content` to a temporary file in the same folder and renames it over `path`, so a
// reader sees the old or the new file, never a part. Mode 0600. False on any failure (the
// temporary file is removed).
bool WriteFileAtomically(const std::string& path, const std::string& content);
bool IsRegularFile(const std::string& path);

// Canonical form of an existing path (symbolic links, "." and ".." resolved); empty when it
// has none.
std::string CanonicalPath(const std::string& path);

// Whether the file at `canonical` (a CanonicalPath) may be run or loaded on the user's
// behalf: a regular file owned by root or `user` and writable by nobody else, in a folder
// owned by root or `user` and writable by nobody else. Both are looked at with lstat, so a
// link put in their place later is seen, not followed. `error` says why not.
bool CheckOwnedFile(const std::string& canonical, uid_t user, std::string& error);

} // namespace zep::addin
