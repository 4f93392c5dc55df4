// Server lines: replies ("S " data lines, a status line, "S .") and events ("A " lines with
// dot-stuffing, ended by "A .").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zep::devserver {

class ReplyBuilder
{
public:
    void Data(std::string_view line);
    // Appends the status line and the terminator and returns the whole reply.
    std::string Finish(std::string_view status);

private:
    std::string text_;
};

std::string Reply(std::string_view status);
std::string Greeting(std::string_view text);

class EventBuilder
{
public:
    explicit EventBuilder(std::string_view name);
    EventBuilder& Header(std::string_view name, std::string_view value);
    // Any content line: headers already formatted, the empty line or a body line.
    EventBuilder& Line(std::string_view line);
    std::string Finish() const;

private:
    std::string text_;
};

} // namespace zep::devserver
