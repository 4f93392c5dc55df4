// quillbay-register: registers the add-in library that lies beside it for the current user
// (writes its manifest), or with --unregister removes the registration. The library does the
// work itself, so the manifest names exactly the file that was loaded.
#include "addin/quillbay.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

std::string OwnFolder()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    const std::string exe(path, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

} // namespace

int main(int argc, char** argv)
{
    bool unregister = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--unregister") == 0) {
            unregister = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("usage: quillbay-register [--unregister]\n"
                      "Registers the add-in library beside this program for the current user,\n"
                      "or removes its registration.");
            return 0;
        } else {
            std::fprintf(stderr, "quillbay-register: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    const std::string library = OwnFolder() + "libquillbay.so";
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = dlerror();
        std::fprintf(stderr, "quillbay-register: cannot load %s: %s\n", library.c_str(),
                     why ? why : "unknown error");
        return 1;
    }
    using Entry = int32_t (*)();
    auto entry = reinterpret_cast<Entry>(
        dlsym(handle, unregister ? "quillbay_unregister" : "quillbay_register"));
    const int32_t result = entry != nullptr ? entry() : -1;
    dlclose(handle);
    if (result < 0) {
        std::fprintf(stderr, "quillbay-register: %s failed (0x%08x)\n",
                     unregister ? "unregistering" : "registering", static_cast<unsigned>(result));
        return 1;
    }
    return 0;
}
