// What the extension is sent of the toolbar: every control with its number, kind, caption,
// tool tip, enabled state, group start and face, pop-ups with their controls. And the one-line
// summary of the same state for the host's log.
#pragma once

#include "addin/native_host/host_objects.h"

#include <string>

namespace zep::nativehost {

// {"type":"toolbar","name":...,"visible":...,"controls":[{"id":1,"kind":"popup",...}]}; a
// toolbar not (yet) added gives an empty control list.
std::string ToolbarMessage(const CommandBars& bars);

// "[Caption]=1 [Other]=0 ... tip=\"...\"": the controls in toolbar order (pop-ups before their
// own), then the first non-empty tool tip.
std::string ToolbarSummary(const CommandBars& bars);

} // namespace zep::nativehost
