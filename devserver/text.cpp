#include "devserver/text.h"

#include <cctype>
#include <charconv>

namespace zep::devserver {

namespace {

char LowerChar(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

} // namespace

std::string ToLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = LowerChar(c);
    return out;
}

bool IEquals(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerChar(a[i]) != LowerChar(b[i]))
            return false;
    }
    return true;
}

bool IContains(std::string_view haystack, std::string_view needle)
{
    return ToLower(haystack).find(ToLower(needle)) != std::string::npos;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string> SplitList(std::string_view text, char delimiter)
{
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(delimiter, start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view piece = Trim(text.substr(start, end - start));
        if (!piece.empty())
            out.emplace_back(piece);
        start = end + 1;
    }
    return out;
}

bool ParseInt(std::string_view text, long long& out)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last;
}

size_t Utf8Length(std::string_view text)
{
    size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

} // namespace zep::devserver
