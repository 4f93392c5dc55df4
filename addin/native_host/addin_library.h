// Finding and loading the add-in the way a mail client loads its registered add-ins: the
// registration manifest names the library; it is loaded only when it asks to be loaded at
// start-up and was built for this host's interface version.
#pragma once

#include "addin/native_host/session.h"

#include <string>

namespace zep::nativehost {

class AddinLibrary
{
public:
    AddinLibrary() = default;
    ~AddinLibrary();
    AddinLibrary(const AddinLibrary&) = delete;
    AddinLibrary& operator=(const AddinLibrary&) = delete;

    // Loads the library the manifest file names. False with `error` set when there is no
    // usable manifest or library.
    bool LoadRegistered(const std::string& manifestFile, std::string& error);
    // Loads the library at `path` (absolute) once it passes addin::CheckOwnedFile for this
    // user, and checks its interface version.
    bool Load(const std::string& path, std::string& error);

    const AddinEntries& Entries() const { return m_entries; }
    std::int32_t (*registerEntry)() = nullptr;
    std::int32_t (*unregisterEntry)() = nullptr;

private:
    void* m_handle = nullptr;
    AddinEntries m_entries;
};

} // namespace zep::nativehost
