#include "conversations/emoji_data.h"

#include "common/text_io.h"
#include "protocol/utf_text.h"

#include <cstdint>

namespace zep::conversations {
namespace {

bool CodePoints(std::string_view field, std::string& out)
{
    int count = 0;
    while (!(field = TrimmedLine(field)).empty()) {
        std::uint32_t cp = 0;
        std::size_t digits = 0;
        for (; digits < field.size() && field[digits] != ' '; ++digits) {
            const char c = field[digits];
            const int v = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
            if (v < 0 || digits >= 6)
                return false;
            cp = cp * 16 + static_cast<std::uint32_t>(v);
        }
        if (++count > 16 || cp == 0 || !AppendUtf8(out, cp))
            return false;
        field.remove_prefix(digits);
    }
    return count > 0;
}

// The comment after "#": "😀 E1.0 grinning face"; the name follows the version.
std::string_view NameOf(std::string_view comment)
{
    const std::size_t version = comment.find(" E");
    if (version == std::string_view::npos)
        return {};
    const std::size_t space = comment.find(' ', version + 2);
    return space == std::string_view::npos ? std::string_view()
                                           : TrimmedLine(comment.substr(space));
}

} // namespace

std::vector<EmojiEntry> ParseEmojiTest(std::string_view file, std::size_t limit)
{
    constexpr std::string_view kGroup = "# group:";
    std::vector<EmojiEntry> out;
    std::string group;
    while (!file.empty() && out.size() < limit) {
        const std::size_t end = file.find('\n');
        const std::string_view line = file.substr(0, end);
        file.remove_prefix(end == std::string_view::npos ? file.size() : end + 1);
        if (line.substr(0, kGroup.size()) == kGroup) {
            group = std::string(TrimmedLine(line.substr(kGroup.size())).substr(0, 80));
            continue;
        }
        if (line.empty() || line.front() == '#')
            continue;
        const std::size_t semicolon = line.find(';');
        const std::size_t hash = line.find('#');
        if (semicolon == std::string_view::npos || hash == std::string_view::npos ||
            hash < semicolon)
            continue;
        if (TrimmedLine(line.substr(semicolon + 1, hash - semicolon - 1)) != "fully-qualified")
            continue;
        EmojiEntry entry;
        const std::string_view name = NameOf(line.substr(hash + 1));
        if (name.empty() || !CodePoints(line.substr(0, semicolon), entry.text))
            continue;
        entry.name = std::string(name.substr(0, 120));
        entry.group = group;
        out.push_back(std::move(entry));
    }
    return out;
}

std::vector<EmojiEntry> BuiltInEmoji()
{
    const char* const smileys = "Smileys & Emotion";
    const char* const people = "People & Body";
    const char* const other = "Symbols";
    return {
        {"\xF0\x9F\x98\x80", "grinning face", smileys},
        {"\xF0\x9F\x98\x82", "face with tears of joy", smileys},
        {"\xF0\x9F\x99\x82", "slightly smiling face", smileys},
        {"\xF0\x9F\x98\x89", "winking face", smileys},
        {"\xF0\x9F\x98\x8A", "smiling face with smiling eyes", smileys},
        {"\xF0\x9F\x98\x8D", "smiling face with heart-eyes", smileys},
        {"\xF0\x9F\x98\x8E", "smiling face with sunglasses", smileys},
        {"\xF0\x9F\xA4\x94", "thinking face", smileys},
        {"\xF0\x9F\x98\xAE", "face with open mouth", smileys},
        {"\xF0\x9F\x98\xA2", "crying face", smileys},
        {"\xF0\x9F\x98\xA0", "angry face", smileys},
        {"\xE2\x9D\xA4\xEF\xB8\x8F", "red heart", smileys},
        {"\xF0\x9F\x91\x8D", "thumbs up", people},
        {"\xF0\x9F\x91\x8E", "thumbs down", people},
        {"\xF0\x9F\x91\x8B", "waving hand", people},
        {"\xF0\x9F\x91\x8F", "clapping hands", people},
        {"\xF0\x9F\x99\x8F", "folded hands", people},
        {"\xE2\x9C\x85", "check mark button", other},
        {"\xE2\x9D\x8C", "cross mark", other},
        {"\xE2\x9D\x93", "red question mark", other},
        {"\xF0\x9F\x8E\x89", "party popper", "Activities"},
        {"\xE2\x98\x95", "hot beverage", "Food & Drink"},
    };
}

} // namespace zep::conversations
