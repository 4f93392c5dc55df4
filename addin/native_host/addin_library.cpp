#include "addin/native_host/addin_library.h"

#include "addin/manifest.h"
#include "addin/paths.h"
#include "addin/quillbay.h"

#include <dlfcn.h>
#include <unistd.h>

namespace zep::nativehost {

namespace {

template <typename F> bool Symbol(void* handle, const char* name, F& out)
{
    void* p = ::dlsym(handle, name);
    out = reinterpret_cast<F>(p);
    return p != nullptr;
}

} // namespace

AddinLibrary::~AddinLibrary()
{
    // The library stays mapped: the add-in's bus library may have left exit handlers behind,
    // and the process ends soon after.
}

bool AddinLibrary::LoadRegistered(const std::string& manifestFile, std::string& error)
{
    std::string text;
    if (!addin::ReadSmallFile(manifestFile, 64 * 1024, text)) {
        error = "the add-in is not registered (no " + manifestFile + ")";
        return false;
    }
    addin::Manifest manifest;
    if (!addin::ParseManifest(text, manifest, error)) {
        error = manifestFile + ": " + error;
        return false;
    }
    if ((manifest.loadBehavior & 1) == 0) {
        error = "the add-in is registered not to load";
        return false;
    }
    if (manifest.abiVersion != QUILLBAY_ABI_VERSION) {
        error = "the add-in was registered for interface version " +
                std::to_string(manifest.abiVersion);
        return false;
    }
    return Load(manifest.library, error);
}

bool AddinLibrary::Load(const std::string& path, std::string& error)
{
    if (path.empty() || path[0] != '/') {
        error = "the add-in's library is not an absolute path";
        return false;
    }
    // The same checks "Launch" makes before it starts the messenger: code that another user
    // could replace is never loaded. What is checked is what is loaded, so a link changed in
    // between cannot swap the file.
    const std::string canonical = addin::CanonicalPath(path);
    if (canonical.empty()) {
        error = "cannot load " + path + ": no such file";
        return false;
    }
    std::string why;
    if (!addin::CheckOwnedFile(canonical, ::geteuid(), why)) {
        error = "cannot load " + path + ": " + why;
        return false;
    }
    void* handle = ::dlopen(canonical.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = ::dlerror();
        error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown");
        return false;
    }
    std::uint32_t (*version)() = nullptr;
    AddinEntries entries;
    std::int32_t (*reg)() = nullptr;
    std::int32_t (*unreg)() = nullptr;
    if (!Symbol(handle, "quillbay_abi_version", version) ||
        !Symbol(handle, "quillbay_connect", entries.connect) ||
        !Symbol(handle, "quillbay_disconnect", entries.disconnect) ||
        !Symbol(handle, "quillbay_register", reg) ||
        !Symbol(handle, "quillbay_unregister", unreg)) {
        error = path + " is not the add-in";
        ::dlclose(handle);
        return false;
    }
    if (version() != QUILLBAY_ABI_VERSION) {
        error = path + " has interface version " + std::to_string(version()) + ", not " +
                std::to_string(QUILLBAY_ABI_VERSION);
        ::dlclose(handle);
        return false;
    }
    m_handle = handle;
    m_entries = entries;
    registerEntry = reg;
    unregisterEntry = unreg;
    return true;
}

} // namespace zep::nativehost
