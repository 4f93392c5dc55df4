// The Unicode emoji data file as the picker reads it.
#include "conversations/emoji_data.h"

#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

TEST(EmojiData, FullyQualifiedEntriesWithNameAndGroupAndNothingElse)
{
    const std::vector<EmojiEntry> entries = ParseEmojiTest(
        "# group: Smileys & Emotion\n"
        "1F600 ; fully-qualified # \xF0\x9F\x98\x80 E1.0 grinning face\n"
        "263A ; unqualified # \xE2\x98\xBA E0.6 smiling face\n"
        "# group: People & Body\n"
        "1F44B 1F3FB ; fully-qualified # x E1.0 waving hand: light skin tone\r\n"
        "D800 ; fully-qualified # x E1.0 a lone surrogate\n"
        "110000 ; fully-qualified # x E1.0 beyond Unicode\n"
        "1F44 G ; fully-qualified # x E1.0 not hexadecimal\n"
        "1F600 ; fully-qualified # no version or name\n"
        "1F600 fully-qualified no semicolon # x E1.0 name\n");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].text, "\xF0\x9F\x98\x80");
    EXPECT_EQ(entries[0].name, "grinning face");
    EXPECT_EQ(entries[0].group, "Smileys & Emotion");
    EXPECT_EQ(entries[1].text, "\xF0\x9F\x91\x8B\xF0\x9F\x8F\xBB") << "from the code points";
    EXPECT_EQ(entries[1].name, "waving hand: light skin tone");
    EXPECT_EQ(entries[1].group, "People & Body");
    EXPECT_FALSE(BuiltInEmoji().empty());
}

} // namespace
} // namespace zep::conversations
