// The development server's request parser on arbitrary bytes fed in arbitrary pieces: it must
// never crash, never hold more than its cap, and account for every byte it is given.
#include "devserver/request.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    constexpr size_t kCap = 4096;
    // The first byte picks the piece size, so the fuzzer explores every split of the stream.
    const size_t piece = 1 + data[0] % 64;
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    zep::devserver::RequestParser parser(kCap);
    while (!rest.empty()) {
        const size_t n = rest.size() < piece ? rest.size() : piece;
        parser.Feed(rest.substr(0, n));
        rest.remove_prefix(n);
        while (auto request = parser.Next()) {
            if (request->tooLarge && (!request->headers.empty() || !request->body.empty()))
                std::abort(); // an oversized request must not keep its content
            for (const std::string& line : request->body) {
                if (line.find_first_of("\r\n") != std::string::npos)
                    std::abort(); // line breaks inside a line would reach other clients
            }
            for (const auto& header : request->headers) {
                if (header.value.find_first_of("\r\n") != std::string::npos)
                    std::abort();
            }
        }
        if (parser.Buffered() > kCap + 64)
            std::abort();
    }
    return 0;
}
