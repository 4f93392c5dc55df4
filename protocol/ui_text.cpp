#include "protocol/ui_text.h"

#include <atomic>

namespace zep {
namespace {

std::atomic<UiTextTranslator> g_translator{nullptr};

} // namespace

void SetUiTextTranslator(UiTextTranslator translator)
{
    g_translator.store(translator);
}

std::u16string UiText(std::u16string_view text)
{
    const UiTextTranslator translator = g_translator.load();
    return translator != nullptr ? translator(text) : std::u16string(text);
}

} // namespace zep
