// The compiled-in icons and images; call once before the first use (a static library's
// resources are not registered on their own).
#pragma once

namespace zep {
void InitResources();
} // namespace zep
