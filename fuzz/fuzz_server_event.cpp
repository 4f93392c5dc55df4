// Event lines as the reader hands them out: recognition, header values and the PRESENCE
// conversion never crash, and every value fits its buffer.

#include "protocol/server_event.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace zep;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    LineList lines;
    std::size_t pos = 0;
    while (pos <= bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        lines.Append(bytes.substr(pos, end - pos));
        pos = end + 1;
    }
    ServerEvent event = ServerEventFromLines(lines);
    ServerEventKind(event);
    if (HeaderValue(event, u"SessionId", 65).size() > 64)
        std::abort();
    PresenceUpdate update = ReadPresence(event);
    if (update.email.size() > 255 || update.fields.customStatus.size() > 127 ||
        update.fields.emailMethod.size() > 9 || update.fields.location.size() > 1023)
        std::abort();
    ContactRecord record;
    ApplyPresence(update, record);
    return 0;
}
