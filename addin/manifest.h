// Registration of the add-in: a manifest file that tells the host what to load, in place of
// the class and add-in keys of the mail client's registry. Its place is ManifestFile()
// ($XDG_DATA_HOME/zepim/addins/Quillbay.ZEPQuillbay.addin); its form is one "[Add-in]" group
// of "Key=Value" lines.
#pragma once

#include "addin/results.h"

#include <string>

namespace zep::addin {

inline constexpr char kProgId[] = "Quillbay.ZEPQuillbay.1";
inline constexpr char kVersionIndependentProgId[] = "Quillbay.ZEPQuillbay";
inline constexpr char kClsid[] = "{C47C6B2E-D6FC-439E-B8F5-4DD76CA31F7C}";
inline constexpr char kClassDescription[] = "ZEPQuillbay Class";
inline constexpr char kFriendlyName[] = "ZEP IM AddIn";
inline constexpr int kLoadBehavior = 3; // load at start-up, loaded
inline constexpr int kCommandLineSafe = 0;

struct Manifest
{
    std::string progId = kProgId;
    std::string versionIndependentProgId = kVersionIndependentProgId;
    std::string clsid = kClsid;
    std::string description = kClassDescription;
    std::string friendlyName = kFriendlyName;
    std::string addinDescription = kFriendlyName;
    int loadBehavior = kLoadBehavior;
    int commandLineSafe = kCommandLineSafe;
    std::string library;     // absolute path of libquillbay.so
    unsigned abiVersion = 0; // the host interface's version the library was built with
};

std::string FormatManifest(const Manifest& manifest);
// False with `error` for a file that is not a manifest of this add-in.
bool ParseManifest(const std::string& text, Manifest& manifest, std::string& error);

// Writes the manifest for the library at `library` (absolute) atomically, making its folder.
HResult RegisterAddin(const std::string& library, const std::string& file);
// Removes the manifest; S_OK also when there was none.
HResult UnregisterAddin(const std::string& file);

} // namespace zep::addin
