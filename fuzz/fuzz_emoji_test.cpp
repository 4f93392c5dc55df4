// The Unicode emoji data file as the picker reads it: never a crash, and every entry is valid
// UTF-8 of at most 16 code points with a name.

#include "conversations/emoji_data.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace zep::conversations;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    for (const EmojiEntry& entry : ParseEmojiTest(file, 1000)) {
        if (entry.text.empty() || entry.text.size() > 64 || entry.name.empty() ||
            entry.name.size() > 120)
            std::abort();
        for (std::size_t i = 0; i < entry.text.size();) {
            const auto lead = static_cast<unsigned char>(entry.text[i]);
            const std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            if (i + n > entry.text.size())
                std::abort();
            i += n;
        }
    }
    return 0;
}
