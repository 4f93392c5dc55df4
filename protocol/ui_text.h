// Texts that the Qt-free parts put in front of the user (status labels, window titles, the
// mail notice) pass through UiText. The messenger points it at its translator at start-up;
// unset, every text stays as written.
#pragma once

#include <string>
#include <string_view>

namespace zep {

using UiTextTranslator = std::u16string (*)(std::u16string_view text);

// Set once, before the windows and threads that read texts exist.
void SetUiTextTranslator(UiTextTranslator translator);

// The text in the user's language.
std::u16string UiText(std::u16string_view text);

} // namespace zep
