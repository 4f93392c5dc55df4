#pragma once
// The system-wide settings of the messenger (what an administrator sets for every user):
// "Corvane/ZEP Instant Messenger.conf" in the first directory of $XDG_CONFIG_DIRS (default
// /etc/xdg) that has one, in the INI form the per-user settings use.

#include <string>

namespace zep {

// The file in use; empty when no directory holds one.
std::string SystemSettingsPath();

// Reads `key` of section `group` (both case-insensitive, as registry names are). A group with
// a slash ("SSL/host") is also found as the key "host\<key>" of section "SSL", which is how the
// per-user settings library writes nested groups. False when the file or the value is missing.
bool ReadSystemSetting(const std::string& group, const std::string& key, std::string& value);

} // namespace zep
