#include "addin/toolbar_placement.h"

#include "addin/paths.h"
#include "addin/results.h"

#include <climits>
#include <iterator>

namespace zep::addin {
namespace {

constexpr std::size_t kFileLimit = 4096;
constexpr char kVisible[] = "tbrvisible";

struct Value
{
    const char* name;
    BarProperty property;
};

constexpr Value kValues[] = {
    {"tbrrowindex", BarProperty::RowIndex},
    {"tbrposition", BarProperty::Position},
    {"tbrtop", BarProperty::Top},
    {"tbrleft", BarProperty::Left},
};

// The text of `name`'s line (the last one when there are several), or false.
bool Lookup(const std::string& content, std::string_view name, std::string_view& text)
{
    bool found = false;
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        if (end == std::string::npos)
            end = content.size();
        std::string_view line(content.data() + start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && line.substr(0, eq) == name) {
            text = line.substr(eq + 1);
            found = true;
        }
        start = end + 1;
    }
    return found;
}

bool ReadValue(const std::string& content, std::string_view name, int& value)
{
    std::string_view text;
    return Lookup(content, name, text) && ParseDecimal(text, value);
}

} // namespace

bool ParseDecimal(std::string_view text, int& value)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10)
        return false;
    long long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    if (negative)
        n = -n;
    if (n < INT_MIN || n > INT_MAX)
        return false;
    value = static_cast<int>(n);
    return true;
}

void RestorePlacement(ICommandBar& bar, const std::string& file)
{
    std::string content;
    if (!ReadSmallFile(file, kFileLimit, content))
        return;
    int visible = 0;
    if (!ReadValue(content, kVisible, visible)) {
        bar.SetVisible(true);
        return;
    }
    if (Failed(bar.SetVisible(visible != 0)))
        return;
    for (const Value& v : kValues) {
        int value = 0;
        if (!ReadValue(content, v.name, value) || Failed(bar.SetProperty(v.property, value)))
            return;
    }
}

bool SavePlacement(ICommandBar& bar, const std::string& file, const std::string& settingsFile)
{
    if (!IsRegularFile(settingsFile))
        return false;
    bool visible = false;
    if (Failed(bar.GetVisible(visible)))
        return false;
    std::string content = std::string(kVisible) + "=" + (visible ? "1" : "0") + "\n";
    for (const Value& v : kValues) {
        int value = 0;
        if (Failed(bar.GetProperty(v.property, value)))
            break;
        content += std::string(v.name) + "=" + std::to_string(value) + "\n";
    }
    return WriteFileAtomically(file, content);
}

} // namespace zep::addin
