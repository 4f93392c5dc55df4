#include "transport/http_message.h"

#include "transport/socket_io.h"
#include "transport/timeouts.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>

namespace zep {

namespace {

bool HoldsLineBreak(std::string_view line)
{
    return line.find_first_of("\r\n") != std::string_view::npos;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

} // namespace

void HttpMessage::Initialise()
{
    m_lines.clear();
    m_present = true;
}

void HttpMessage::Free()
{
    m_lines.clear();
    m_present = false;
}

ImResult HttpMessage::AppendLine(std::string line)
{
    if (HoldsLineBreak(line))
        return ImResult::BadArgument;
    m_lines.push_back(std::move(line));
    return ImResult::Ok;
}

ImResult HttpMessage::SetHeader(std::string line)
{
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || HoldsLineBreak(line))
        return ImResult::BadArgument;
    std::string_view name(line.data(), colon + 1);
    // The start line is never a header, even when it holds a colon ("CONNECT host:port").
    for (std::size_t i = 1; i < m_lines.size(); ++i) {
        if (StartsWithNoCase(m_lines[i], name)) {
            m_lines[i] = std::move(line);
            return ImResult::Ok;
        }
    }
    m_lines.push_back(std::move(line));
    return ImResult::Ok;
}

void HttpMessage::RemoveHeader(std::string_view name)
{
    for (std::size_t i = 1; i < m_lines.size(); ++i) {
        if (StartsWithNoCase(m_lines[i], name)) {
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool HttpMessage::HeaderValue(std::string_view name, std::string& value) const
{
    for (std::size_t i = 1; i < m_lines.size(); ++i) {
        const std::string& line = m_lines[i];
        if (line.empty())
            break;
        if (StartsWithNoCase(line, name)) {
            // A header that ends right after its name has an empty value.
            value = line.size() > name.size() + 1 ? line.substr(name.size() + 1) : std::string();
            return true;
        }
    }
    return false;
}

ImResult HttpMessage::ParseHeaderBlock(std::string_view bytes)
{
    if (!m_lines.empty())
        return ImResult::BadArgument;
    std::size_t length = HeaderBlockLength(bytes);
    if (length == 0)
        return ImResult::NotFound;
    std::string_view block = bytes.substr(0, length);
    std::size_t pos = 0;
    while (pos < block.size()) {
        std::size_t end = block.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = block.size();
        if (end > pos)
            m_lines.emplace_back(block.substr(pos, end - pos));
        pos = end + 1;
    }
    m_present = true;
    return ImResult::Ok;
}

std::string HttpMessage::Serialise() const
{
    std::string out;
    for (const std::string& line : m_lines) {
        out += line;
        out += "\r\n";
    }
    out += "\r\n";
    return out;
}

ImResult HttpMessage::Send(int connectionNumber, SSL* tls, int socket, int cancelFd) const
{
    std::string text = Serialise();
    std::size_t sent = 0;
    return SendBytes(connectionNumber, tls, socket, kTimeoutDefault, text.data(), text.size(),
                     &sent, cancelFd);
}

std::size_t HeaderBlockLength(std::string_view bytes, std::size_t searchFrom)
{
    constexpr auto npos = std::string_view::npos;
    std::size_t crcr = bytes.find("\r\r", searchFrom);
    std::size_t lflf = bytes.find("\n\n", searchFrom);
    std::size_t crlfcrlf = bytes.find("\r\n\r\n", searchFrom);
    std::size_t shortest = std::min(crcr, lflf);
    if (crlfcrlf != npos && (shortest == npos || crlfcrlf < shortest))
        return crlfcrlf + 4;
    if (shortest != npos)
        return shortest + 2;
    return 0;
}

std::string FormatHttpDate(std::time_t when)
{
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm utc{};
    if (!gmtime_r(&when, &utc))
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %d %02d:%02d:%02d GMT", kDays[utc.tm_wday % 7],
                  utc.tm_mday, kMonths[utc.tm_mon % 12], utc.tm_year + 1900, utc.tm_hour,
                  utc.tm_min, utc.tm_sec);
    return text;
}

} // namespace zep
