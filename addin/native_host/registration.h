// The host program's registration with Thunderbird: the native-messaging manifest that lets the
// extension start this program, beside the add-in's own registration.
#pragma once

#include <string>

namespace zep::nativehost {

// The name the extension connects to and the extension's identity.
inline constexpr char kNativeAppName[] = "zep_quillbay";
inline constexpr char kExtensionId[] = "quillbay@zep-im.example";
inline constexpr char kExtensionFile[] = "quillbay@zep-im.example.xpi";

// ~/.mozilla/native-messaging-hosts/zep_quillbay.json; empty without an absolute HOME.
std::string UserNativeManifestFile();

// The manifest's JSON for the host program at `hostPath` (absolute).
std::string FormatNativeManifest(const std::string& hostPath);

// Writes the manifest atomically, making its folders; false with `error` set on failure.
bool WriteNativeManifest(const std::string& file, const std::string& hostPath, std::string& error);
// Removes it; true also when there was none.
bool RemoveNativeManifest(const std::string& file, std::string& error);

// This program's own absolute path.
std::string OwnPath();

} // namespace zep::nativehost
