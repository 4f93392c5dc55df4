// Small text helpers the programs share: HTML escaping and a complete write to a descriptor.
#pragma once

#include <string>
#include <string_view>

namespace zep {

// The five characters HTML gives a meaning (& < > " ') as entities; everything else as it is.
std::string HtmlEscaped(std::string_view text);

// `text` without the spaces and tabs around it, nor a line's trailing carriage return.
std::string_view TrimmedLine(std::string_view text);

// Writes all of `text`, again after a signal interrupts; false on any other failure.
bool WriteAll(int fd, std::string_view text);

} // namespace zep
