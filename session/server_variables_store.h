// The local mirror of the user's server-side preferences: fourteen text values, each stored under
// its wire name.
#pragma once

#include "protocol/server_variables.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zep {

class Settings;

// The wire names, in the order they are sent: the protocol's own table.
inline constexpr const auto& kServerVariableNames = ServerVariables::kNames;

// Writes every variable from a fetched reply; `value` gives the UTF-8 value of a name, or nothing
// when the reply has no such header (stored as empty).
void StoreServerVariables(Settings& settings,
                          const std::function<std::optional<std::string>(std::string_view)>& value);

// The "name: value" lines (UTF-8) that send the stored variables back, in table order.
std::vector<std::string> StoredServerVariableLines(const Settings& settings);

} // namespace zep
