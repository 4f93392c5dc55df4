#include "addin/manifest.h"

#include "addin/paths.h"
#include "addin/quillbay.h"
#include "addin/toolbar_placement.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace zep::addin {
namespace {

constexpr char kGroup[] = "[Add-in]";
constexpr std::size_t kManifestLimit = 64 * 1024;

bool HasControl(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

// Makes every missing folder of `dir` (0700 for new ones).
bool MakeFolders(const std::string& dir)
{
    if (dir.empty())
        return false;
    std::size_t pos = 1;
    while (true) {
        pos = dir.find('/', pos);
        const std::string part = dir.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (pos == std::string::npos)
            break;
        ++pos;
    }
    struct stat st
    {
    };
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string FormatManifest(const Manifest& m)
{
    std::string out = std::string(kGroup) + "\n";
    out += "ProgID=" + m.progId + "\n";
    out += "VersionIndependentProgID=" + m.versionIndependentProgId + "\n";
    out += "CLSID=" + m.clsid + "\n";
    out += "Description=" + m.description + "\n";
    out += "FriendlyName=" + m.friendlyName + "\n";
    out += "AddinDescription=" + m.addinDescription + "\n";
    out += "LoadBehavior=" + std::to_string(m.loadBehavior) + "\n";
    out += "CommandLineSafe=" + std::to_string(m.commandLineSafe) + "\n";
    out += "ThreadingModel=Apartment\n";
    out += "Library=" + m.library + "\n";
    out += "AbiVersion=" + std::to_string(m.abiVersion) + "\n";
    return out;
}

bool ParseManifest(const std::string& text, Manifest& m, std::string& error)
{
    Manifest parsed;
    parsed.library.clear();
    bool inGroup = false;
    bool seenGroup = false;
    bool haveLoad = false;
    bool haveSafe = false;
    bool haveAbi = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == kGroup;
            seenGroup = seenGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = "line without '=': " + line;
            return false;
        }
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        int number = 0;
        if (key == "ProgID") {
            parsed.progId = value;
        } else if (key == "VersionIndependentProgID") {
            parsed.versionIndependentProgId = value;
        } else if (key == "CLSID") {
            parsed.clsid = value;
        } else if (key == "Description") {
            parsed.description = value;
        } else if (key == "FriendlyName") {
            parsed.friendlyName = value;
        } else if (key == "AddinDescription") {
            parsed.addinDescription = value;
        } else if (key == "Library") {
            parsed.library = value;
        } else if (key == "LoadBehavior" || key == "CommandLineSafe" || key == "AbiVersion") {
            if (!ParseDecimal(value, number) || number < 0) {
                error = key + " is not a number: " + value;
                return false;
            }
            if (key == "LoadBehavior") {
                parsed.loadBehavior = number;
                haveLoad = true;
            } else if (key == "CommandLineSafe") {
                parsed.commandLineSafe = number;
                haveSafe = true;
            } else {
                parsed.abiVersion = static_cast<unsigned>(number);
                haveAbi = true;
            }
        }
    }
    if (!seenGroup) {
        error = "no [Add-in] group";
        return false;
    }
    if (parsed.clsid != kClsid || parsed.progId != kProgId) {
        error = "not this add-in's identity";
        return false;
    }
    if (parsed.library.empty() || parsed.library[0] != '/') {
        error = "Library is not an absolute path";
        return false;
    }
    if (!haveLoad || !haveSafe || !haveAbi) {
        error = "LoadBehavior, CommandLineSafe or AbiVersion missing";
        return false;
    }
    m = parsed;
    return true;
}

HResult RegisterAddin(const std::string& library, const std::string& file)
{
    if (library.empty() || library[0] != '/' || HasControl(library) || file.empty())
        return kInvalidArgument;
    Manifest manifest;
    manifest.library = library;
    manifest.abiVersion = QUILLBAY_ABI_VERSION;
    const std::string dir = file.substr(0, file.rfind('/'));
    if (!MakeFolders(dir))
        return kFail;
    return WriteFileAtomically(file, FormatManifest(manifest)) ? kOk : kFail;
}

HResult UnregisterAddin(const std::string& file)
{
    if (file.empty())
        return kFail;
    if (::unlink(file.c_str()) == 0 || errno == ENOENT)
        return kOk;
    return kFail;
}

} // namespace zep::addin
