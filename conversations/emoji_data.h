// The emoji a picker offers, read from the Unicode data file "emoji-test.txt" (Debian's
// unicode-data package): its fully-qualified entries, each with its name and group, in the
// file's order. Plain C++: the file is read as untrusted bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zep::conversations {

struct EmojiEntry
{
    std::string text;  // UTF-8, built from the code points (never taken from the comment)
    std::string name;  // "grinning face"
    std::string group; // "Smileys & Emotion"
};

// Lines that do not parse are skipped; at most `limit` entries.
std::vector<EmojiEntry> ParseEmojiTest(std::string_view file, std::size_t limit = 10000);

// A short set for machines without the data file.
std::vector<EmojiEntry> BuiltInEmoji();

} // namespace zep::conversations
