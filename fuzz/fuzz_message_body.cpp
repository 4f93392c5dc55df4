// "MESSAGE" bodies: whatever the text, the stuffed body is CR LF lines of which none is the
// terminator and none holds a bare CR or LF.

#include "protocol/message_body.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace zep;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string body(reinterpret_cast<const char*>(data), size);
    std::string framed = StuffMessageBody(body);
    std::size_t pos = 0;
    while (pos < framed.size()) {
        std::size_t end = framed.find("\r\n", pos);
        if (end == std::string::npos)
            std::abort();
        std::string line = framed.substr(pos, end - pos);
        if (line == "." || line.find_first_of("\r\n") != std::string::npos)
            std::abort();
        pos = end + 2;
    }
    IsHeaderBlock(body);
    return 0;
}
