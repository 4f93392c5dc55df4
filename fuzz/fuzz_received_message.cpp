// A received MESSAGE event, split into lines at LF as the view holds it: reading it never
// crashes, and what it shows is never empty text nor more text than arrived.

#include "conversations/message_parts.h"
#include "protocol/utf_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

using namespace zep::conversations;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::u16string> lines;
    std::size_t units = 0;
    for (std::size_t pos = 0; pos <= input.size();) {
        const std::size_t lf = std::min(input.find('\n', pos), input.size());
        lines.push_back(zep::Utf8ToUtf16Lenient(input.substr(pos, lf - pos)));
        units += lines.back().size() + 1;
        pos = lf + 1;
    }
    const ReceivedMessage message = ReadReceivedMessage(lines);
    switch (message.kind) {
    case ReceivedMessage::Kind::Plain:
        if (message.plain.empty() || message.plain.back() == u'\n' || message.plain.size() > units)
            std::abort();
        break;
    case ReceivedMessage::Kind::Rich:
        if (!message.rich.HasVisibleText())
            std::abort();
        break;
    case ReceivedMessage::Kind::Nothing:
        if (!message.plain.empty())
            std::abort();
        break;
    }
    return 0;
}
