// Trust-file text into the pin parser: never a crash, every pin it keeps is well formed, and
// writing the pins out and reading them back gives the same pins with no bad line.

#include "transport/tls_pins.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace zep;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    int bad = 0;
    const std::vector<TlsPin> pins = ParsePins(text, &bad);
    for (const TlsPin& pin : pins) {
        if (pin.host.empty() || pin.port == 0 || NormalFingerprint(pin.sha256) != pin.sha256)
            std::abort();
        if (FindPin(pins, pin.host, pin.port) != pin.sha256)
            std::abort();
    }
    int badAgain = -1;
    const std::vector<TlsPin> again = ParsePins(FormatPins(pins), &badAgain);
    if (badAgain != 0 || again.size() != pins.size())
        std::abort();
    for (std::size_t i = 0; i < pins.size(); ++i) {
        if (again[i].host != pins[i].host || again[i].port != pins[i].port ||
            again[i].sha256 != pins[i].sha256)
            std::abort();
    }
    // Fingerprints typed by a user go through the same reader.
    const std::string normal = NormalFingerprint(text);
    if (!normal.empty() && NormalFingerprint(ColonFingerprint(normal)) != normal)
        std::abort();
    return 0;
}
