// The rich text reader on any bytes: it never crashes, and what it returns is well formed:
// no empty runs, no two neighbours with the same format, sizes in range, no more text than
// input.

#include "conversations/rtf_reader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace zep::conversations;

namespace {

void Check(const RtfDocument& document, std::size_t inputSize)
{
    std::size_t units = 0;
    for (const RtfParagraph& paragraph : document.paragraphs) {
        for (std::size_t i = 0; i < paragraph.runs.size(); ++i) {
            const RtfRun& run = paragraph.runs[i];
            if (run.text.empty())
                std::abort();
            if (i > 0 && paragraph.runs[i - 1].format == run.format)
                std::abort();
            const int size = run.format.halfPoints;
            if (size != 0 && (size < kRtfMinHalfPoints || size > kRtfMaxHalfPoints))
                std::abort();
            if (run.format.colour && *run.format.colour > 0xffffff)
                std::abort();
            units += run.text.size();
        }
    }
    if (units > inputSize)
        std::abort();
    document.HasVisibleText();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Most inputs would not open as RTF; give every input a header so the body is explored.
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    std::string input =
        raw.starts_with("{\\rtf") ? std::string(raw) : "{\\rtf1 " + std::string(raw);
    Check(ParseRtf(input), input.size());
    Check(ParseRtf(input, RtfEightBit::Utf8), input.size());
    return 0;
}
