#include "session/server_variables_store.h"

#include "session/settings.h"

namespace zep {

void StoreServerVariables(Settings& settings,
                          const std::function<std::optional<std::string>(std::string_view)>& value)
{
    for (const char* name : kServerVariableNames) {
        const std::optional<std::string> v = value(name);
        settings.WriteText(name, v ? QString::fromStdString(*v) : QString());
    }
}

std::vector<std::string> StoredServerVariableLines(const Settings& settings)
{
    std::vector<std::string> lines;
    lines.reserve(kServerVariableNames.size());
    for (const char* name : kServerVariableNames) {
        // A value holding a line break would start a header of its own; keep it on one line.
        QString v = settings.ReadText(name);
        v.replace(u'\r', u' ').replace(u'\n', u' ');
        lines.push_back(std::string(name) + ": " + v.toStdString());
    }
    return lines;
}

} // namespace zep
