#include "devserver/frames.h"

namespace zep::devserver {

void ReplyBuilder::Data(std::string_view line)
{
    text_ += "S ";
    text_ += line;
    text_ += "\r\n";
}

std::string ReplyBuilder::Finish(std::string_view status)
{
    text_ += "S ";
    text_ += status;
    text_ += "\r\nS .\r\n";
    return std::move(text_);
}

std::string Reply(std::string_view status)
{
    ReplyBuilder builder;
    return builder.Finish(status);
}

std::string Greeting(std::string_view text)
{
    std::string line = "S 220 ";
    line += text;
    line += "\r\n";
    return line;
}

EventBuilder::EventBuilder(std::string_view name)
{
    Line(name);
}

EventBuilder& EventBuilder::Header(std::string_view name, std::string_view value)
{
    text_ += "A ";
    text_ += name;
    text_ += ": ";
    text_ += value;
    text_ += "\r\n";
    return *this;
}

EventBuilder& EventBuilder::Line(std::string_view line)
{
    text_ += "A ";
    // The reader takes a lone "." as the end of the event, so content dots are doubled.
    if (!line.empty() && line.front() == '.')
        text_ += '.';
    text_ += line;
    text_ += "\r\n";
    return *this;
}

std::string EventBuilder::Finish() const
{
    return text_ + "A .\r\n";
}

} // namespace zep::devserver
