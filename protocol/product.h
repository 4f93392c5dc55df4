// The product's version, the same for every program of the suite's messenger.
#pragma once

namespace zep {

inline constexpr char kProductVersion[] = "18.1.4389";

} // namespace zep
