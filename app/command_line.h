// The messenger's command line: --help and --version answer and end the program; everything
// else (Qt's own options, and "/background", which the autostart entry passes) is left alone.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zep {

struct CommandLineAnswer
{
    std::string text; // for standard output
    int status = 0;
};

// The answer when the command line asks for help or the version; nothing when the messenger
// should start.
std::optional<CommandLineAnswer> AnswerCommandLine(const std::vector<std::string>& args);

} // namespace zep
