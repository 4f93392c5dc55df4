// Texts from the server (names, status texts, banner tips) shown where Qt would guess the text
// format: a name such as "<b>Bob</b>" must be shown as typed, never drawn as rich text.
#pragma once

#include <QString>

namespace zep::contacts {

// A tool tip that shows `text` as it is. Qt reads a tip as rich text when Qt::mightBeRichText
// says so; such a text is given as escaped rich text (lines and spaces kept), any other as is.
QString PlainToolTip(const QString& text);

} // namespace zep::contacts
