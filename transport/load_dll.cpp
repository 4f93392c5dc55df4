#include "transport/load_dll.h"

#include "transport/install_dirs.h"
#include "transport/log_writer.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace zep {

namespace {

bool Readable(const std::string& path)
{
    return !path.empty() && access(path.c_str(), R_OK) == 0;
}

std::string WithSlash(std::string dir)
{
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

} // namespace

std::string NormaliseLibraryPath(const std::string& input)
{
    std::string path;
    path.reserve(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        char c = input[i] == '\\' ? '/' : input[i];
        if (c == '/' && i > 0 && !path.empty() && path.back() == '/')
            continue; // doubled separators
        path += c;
    }
    // "../" and "./" sequences are dropped rather than resolved, as the loader always did.
    for (std::size_t at; (at = path.find("../")) != std::string::npos;)
        path.erase(at, 3);
    for (std::size_t at; (at = path.find("/./")) != std::string::npos;)
        path.erase(at, 2);
    if (path.compare(0, 2, "./") == 0 && path.size() > 2)
        path.erase(0, 2);
    while (!path.empty() && (path.back() == ' ' || path.back() == '.'))
        path.pop_back();
    return path;
}

bool LoadDLL(void** handle, const std::string& fileName, const std::string& baseDirectory,
             const std::string& explicitPath)
{
    *handle = nullptr;
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "LoadDLL(%s, %s, %s).", fileName.c_str(),
               baseDirectory.c_str(), explicitPath.c_str());
    std::string candidate;
    bool systemSearch = false;
    if (!explicitPath.empty() && explicitPath.front() == '/') {
        candidate = explicitPath;
    } else if (std::string bin = WithSlash(baseDirectory) + "Bin/" + fileName;
               !baseDirectory.empty() && Readable(bin)) {
        candidate = bin;
    } else if (std::string plain = WithSlash(baseDirectory) + fileName;
               !baseDirectory.empty() && Readable(plain)) {
        candidate = plain;
    } else {
        // The system's library search (LD_LIBRARY_PATH, the cache, the default directories).
        candidate = fileName;
        systemSearch = true;
    }
    if (!systemSearch) {
        candidate = NormaliseLibraryPath(candidate);
        if (!Readable(candidate)) {
            LogWrite(ZepimLog(), kLogFailure, 52,
                     "Could not load " + candidate + " (" + std::to_string(errno) + ").");
            return false;
        }
    }
    void* loaded = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!loaded) {
        const char* why = dlerror();
        LogWrite(ZepimLog(), kLogFailure, 52,
                 "Could not load " + candidate + " (" + (why ? why : "unknown") + ").");
        return false;
    }
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Loaded %s.", candidate.c_str());
    *handle = loaded;
    return true;
}

void ReleaseDLL(void* handle, const std::string& fileName)
{
    if (!handle)
        return;
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Releasing DLL %s.", fileName.c_str());
    dlclose(handle);
}

std::string ProgramDirectory()
{
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return {};
    std::string exe(path, static_cast<std::size_t>(n));
    std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string PrivateLibraryDirectoryFrom(const std::string& programDirectory,
                                        const std::string& fileName)
{
    const std::string program = WithSlash(programDirectory);
    if (program.empty() || Readable(program + fileName))
        return program;
    const std::string installed = program + kPrivateLibraryDirFromPrograms;
    char real[PATH_MAX];
    if (realpath(installed.c_str(), real) == nullptr)
        return program;
    const std::string dir = WithSlash(real);
    return Readable(dir + fileName) ? dir : program;
}

std::string PrivateLibraryDirectory(const std::string& fileName)
{
    return PrivateLibraryDirectoryFrom(ProgramDirectory(), fileName);
}

} // namespace zep
