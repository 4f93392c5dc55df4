// The add-in's toolbar placement file on arbitrary bytes: restoring never crashes, applies
// values only in their order, and applies only whole 32-bit decimals.
#include "addin/results.h"
#include "addin/toolbar_placement.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using namespace zep::addin;

// A bar that records what was applied, in order.
class RecordingBar : public ICommandBar
{
public:
    std::string applied;
    std::shared_ptr<IControls> Controls() override { return nullptr; }
    HResult GetVisible(bool& visible) override
    {
        visible = true;
        return kOk;
    }
    HResult SetVisible(bool) override
    {
        applied += 'v';
        return kOk;
    }
    HResult GetProperty(BarProperty, int& value) override
    {
        value = 0;
        return kOk;
    }
    HResult SetProperty(BarProperty property, int) override
    {
        applied += "rptl"[static_cast<int>(property)];
        return kOk;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string file = "/tmp/fuzz-placement-" + std::to_string(getpid()) + ".conf";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    RecordingBar bar;
    RestorePlacement(bar, file);
    // Visibility first, then a prefix of row index, position, top, left.
    if (bar.applied.size() != 0 &&
        std::string("vrptl").compare(0, bar.applied.size(), bar.applied) != 0)
        std::abort();
    int value = 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size < 16 ? size : 16);
    if (ParseDecimal(text, value) &&
        text.find_first_not_of("+-0123456789") != std::string_view::npos)
        std::abort();
    return 0;
}
