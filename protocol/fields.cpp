#include "protocol/fields.h"

namespace zep {

ImResult SplitFields(std::string_view line, std::string_view delimiters, int maxFields,
                     bool keepEmpty, std::vector<std::string>& fields, int& count)
{
    fields.clear();
    count = 0;
    if (maxFields <= 0)
        return ImResult::NothingPending;
    fields.assign(static_cast<std::size_t>(maxFields), std::string());
    auto isDelimiter = [&](char c) { return delimiters.find(c) != std::string_view::npos; };
    std::size_t pos = 0;
    if (!keepEmpty) {
        while (pos < line.size() && isDelimiter(line[pos]))
            ++pos;
        if (pos == line.size())
            return ImResult::Ok;
    }
    for (;;) {
        if (count == maxFields - 1) {
            fields[static_cast<std::size_t>(count++)] = std::string(line.substr(pos));
            break;
        }
        std::size_t end = pos;
        while (end < line.size() && !isDelimiter(line[end]))
            ++end;
        fields[static_cast<std::size_t>(count++)] = std::string(line.substr(pos, end - pos));
        if (end >= line.size())
            break;
        pos = end + 1;
        if (!keepEmpty) {
            while (pos < line.size() && isDelimiter(line[pos]))
                ++pos;
            if (pos >= line.size())
                break;
        }
    }
    return ImResult::Ok;
}

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

void FormDecode(std::string& text)
{
    std::size_t out = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            text[out++] = ' ';
        } else if (c == '%') {
            int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
            int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
            if (high >= 0 && low >= 0) {
                text[out++] = static_cast<char>(high * 16 + low);
                i += 2;
            }
            // A "%" without two hexadecimal digits is dropped.
        } else {
            text[out++] = c;
        }
    }
    text.resize(out);
}

std::string FormDecoded(std::string_view text)
{
    std::string copy(text);
    FormDecode(copy);
    return copy;
}

std::string FormEncode(std::string_view text)
{
    static constexpr std::string_view kReserved = ";/?:@=&<>\"#%{}|\\^~[]'+(),";
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == ' ') {
            out += '+';
        } else if (byte < 0x20 || kReserved.find(c) != std::string_view::npos) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0xf];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace zep
