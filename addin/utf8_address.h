// The address kept from the selected item: UTF-8 of at most 255 characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zep::addin {

inline constexpr std::size_t kAddressCharacters = 255;

// The address as kept: up to the first NUL, cut after `kAddressCharacters` characters, never
// inside one. Text that is not well-formed UTF-8 (overlong forms, surrogates, stray bytes)
// gives an empty address: it could not name a contact.
std::string KeepAddress(std::string_view text);

} // namespace zep::addin
