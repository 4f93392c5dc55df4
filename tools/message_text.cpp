#include "tools/message_text.h"

#include "protocol/utf_text.h"

namespace zep::cli {

namespace {

// "Name: value" or "Name:" with a name of letters, digits and "-".
bool IsHeaderShaped(std::string_view line, std::size_t& colon)
{
    colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos)
        return false;
    for (std::size_t i = 0; i < colon; ++i) {
        char c = line[i];
        bool ok =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
        if (!ok)
            return false;
    }
    return colon + 1 == line.size() || line[colon + 1] == ' ';
}

std::pair<std::string, std::string> HeaderPair(std::string_view line)
{
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return {std::string(line), std::string()};
    std::string_view value = line.substr(colon + 1);
    if (!value.empty() && value.front() == ' ')
        value.remove_prefix(1);
    return {std::string(line.substr(0, colon)), std::string(value)};
}

std::string Trimmed(std::string_view text, std::string_view what)
{
    std::size_t first = text.find_first_not_of(what);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(what) - first + 1));
}

} // namespace

EventParts SplitEvent(const std::vector<std::string>& lines, bool isMessage)
{
    EventParts parts;
    std::size_t i = 1;
    for (; i < lines.size(); ++i) {
        std::size_t colon = 0;
        if (isMessage && !IsHeaderShaped(lines[i], colon))
            break;
        parts.headers.push_back(HeaderPair(lines[i]));
    }
    for (; i < lines.size(); ++i)
        parts.body.push_back(lines[i]);
    return parts;
}

std::string MessagePlainText(const EventParts& parts)
{
    std::string contentType;
    for (const auto& [name, value] : parts.headers) {
        if (EqualsNoCase(name, "Content-Type")) {
            contentType = AsciiLower(value);
            break;
        }
    }
    std::string delimiter;
    std::size_t at = contentType.find("boundary=");
    if (contentType.find("multipart/alternative") != std::string::npos && at != std::string::npos) {
        std::string boundary = Trimmed(std::string_view(contentType).substr(at + 9), " \"");
        if (!boundary.empty())
            delimiter = "--" + boundary;
    }
    std::string text;
    const auto add = [&text](const std::string& line) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    };
    if (delimiter.empty()) {
        for (const std::string& line : parts.body)
            add(line);
        return text;
    }
    enum class State
    {
        Before,
        PartHeaders,
        PartBody
    } state = State::Before;
    std::string partType;
    for (const std::string& line : parts.body) {
        std::string lower = AsciiLower(line);
        if (lower.find(delimiter) != std::string::npos) {
            state = State::PartHeaders;
            partType.clear();
            continue;
        }
        if (state == State::PartHeaders) {
            std::size_t colon = 0;
            if (lower.compare(0, 8, "content-") == 0 && IsHeaderShaped(line, colon)) {
                if (lower.compare(0, 13, "content-type:") == 0)
                    partType = lower;
                continue;
            }
            state = State::PartBody;
        }
        if (state == State::PartBody && partType.find("text/plain") != std::string::npos)
            add(line);
    }
    return text;
}

bool IsControlByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

bool IsUtf8C1Control(std::string_view text, std::size_t at)
{
    return at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

std::string EscapeText(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    const auto hex = [](std::string& out, char c) {
        const auto b = static_cast<unsigned char>(c);
        out += "\\x";
        out += kHex[b >> 4];
        out += kHex[b & 0xF];
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (IsControlByte(c))
            hex(out, c);
        else if (IsUtf8C1Control(text, i)) {
            hex(out, c);
            hex(out, text[++i]);
        } else
            out += c;
    }
    return out;
}

std::string FormatEvent(const std::vector<std::string>& lines, bool isMessage)
{
    if (lines.empty())
        return {};
    EventParts parts = SplitEvent(lines, isMessage);
    std::string out = EscapeText(lines.front());
    for (const auto& [name, value] : parts.headers)
        out += "\t" + EscapeText(name) + "=" + EscapeText(value);
    if (isMessage)
        out += "\ttext=" + EscapeText(MessagePlainText(parts));
    return out;
}

} // namespace zep::cli
