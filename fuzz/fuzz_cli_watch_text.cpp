// The watch output of zepim-cli for MESSAGE and other events from the network: splitting
// headers from the body, the text/plain part of a multipart body, the escaping. Never crashes,
// the output is one line, and the escaped text holds no raw line break.

#include "tools/message_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos <= bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        lines.push_back(bytes.substr(pos, end - pos));
        pos = end + 1;
    }
    for (const bool isMessage : {true, false}) {
        const std::string line = zep::cli::FormatEvent(lines, isMessage);
        if (line.find('\n') != std::string::npos)
            std::abort();
        // The text is the last field, escaped: nothing after its name breaks the line.
        const auto text = line.rfind("\ttext=");
        if (isMessage &&
            (text == std::string::npos || line.find_first_of("\r\n", text) != std::string::npos))
            std::abort();
    }
    return 0;
}
