#pragma once
// Checks of each command's own arguments, made before anything is sent.

#include <string>

namespace zep::cli {

struct CliOptions;

// False with `problem` set when the command's arguments are not usable.
bool CheckCommandArgs(const CliOptions& options, std::string& problem);

} // namespace zep::cli
