// The address kept from the selected item: UTF-8 of at most 255 characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zep::addin {

inline constexpr std::size_t kAddressCharacters = 255;

// The address as kept: up to the first NUL. Text that is not well-formed UTF-8 (overlong
// forms, surrogates, stray bytes) or longer than `kAddressCharacters` characters gives an
// empty address: it could not name a contact, and a cut one could name another (the messenger
// refuses a longer address too).
std::string KeepAddress(std::string_view text);

} // namespace zep::addin
