#include "protocol/server_variables.h"

#include "protocol/utf_text.h"

namespace zep {

std::size_t ServerVariables::IndexOf(std::string_view name)
{
    for (std::size_t i = 0; i < kCount; ++i)
        if (EqualsNoCase(name, kNames[i]))
            return i;
    return kCount;
}

std::string* ServerVariables::Find(std::string_view name)
{
    std::size_t i = IndexOf(name);
    return i < kCount ? &values[i] : nullptr;
}

void ParseServerVariables(const LineList& reply, ServerVariables& variables)
{
    for (std::size_t i = 0; i < ServerVariables::kCount; ++i) {
        std::string key = std::string(ServerVariables::kNames[i]) + ": ";
        variables.values[i].clear();
        for (const std::string& line : reply) {
            if (StartsWithNoCase(line, key)) {
                variables.values[i] = line.substr(key.size());
                break;
            }
        }
    }
}

} // namespace zep
