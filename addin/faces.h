// The button faces (16 x 16), by their resource numbers.
#pragma once

#include "addin/host.h"

#include <optional>

namespace zep::addin {

namespace face {
inline constexpr int InstantMessage = 201;
inline constexpr int SmsMessage = 203;
inline constexpr int PagerMessage = 204;
inline constexpr int Send = 205;
inline constexpr int EmailMessage = 206;
} // namespace face

// The face image of a resource number; nothing for a number that has none.
std::optional<FaceImage> LoadFace(int id);

} // namespace zep::addin
