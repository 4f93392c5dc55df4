// The library's C entries. Nothing thrown inside passes them.
#include "addin/bus_messenger_client.h"
#include "addin/manifest.h"
#include "addin/paths.h"
#include "addin/quillbay.h"
#include "addin/quillbay_addin.h"

#include <dlfcn.h>
#include <new>

struct quillbay_addin
{
    zep::addin::CZEPQuillbay* object;
};

namespace {

using namespace zep::addin;

// Add-in objects alive; the host's thread is the only caller.
int g_objects = 0;

// This library's own path, as the dynamic loader knows it.
std::string LibraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&quillbay_abi_version), &info) == 0 ||
        info.dli_fname == nullptr || info.dli_fname[0] != '/')
        return {};
    return info.dli_fname;
}

} // namespace

extern "C" {

uint32_t quillbay_abi_version(void)
{
    return QUILLBAY_ABI_VERSION;
}

int32_t quillbay_connect(void* application, quillbay_addin** addin)
{
    if (addin == nullptr)
        return kInvalidArgument;
    *addin = nullptr;
    if (application == nullptr)
        return kInvalidArgument;
    try {
        auto* handle = new quillbay_addin{nullptr};
        handle->object = new CZEPQuillbay(std::make_unique<BusMessengerClient>());
        ++g_objects;
        const HResult r = handle->object->OnConnection(static_cast<IApplication*>(application));
        if (Failed(r)) {
            handle->object->Destroy();
            delete handle;
            --g_objects;
            return r;
        }
        *addin = handle;
        return kOk;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    } catch (...) {
        return kFail;
    }
}

int32_t quillbay_disconnect(quillbay_addin* addin)
{
    if (addin == nullptr)
        return kInvalidArgument;
    try {
        addin->object->Destroy();
    } catch (...) {
    }
    delete addin;
    --g_objects;
    return kOk;
}

int32_t quillbay_register(void)
{
    try {
        const std::string library = LibraryPath();
        if (library.empty())
            return kFail;
        return RegisterAddin(library, ManifestFile());
    } catch (...) {
        return kFail;
    }
}

int32_t quillbay_unregister(void)
{
    try {
        return UnregisterAddin(ManifestFile());
    } catch (...) {
        return kFail;
    }
}

int32_t quillbay_can_unload(void)
{
    return g_objects == 0 ? kOk : kFalse;
}

} // extern "C"
