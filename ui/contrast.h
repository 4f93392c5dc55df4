// Contrast between a text colour and the colour behind it, as the accessibility guidelines
// measure it, and the nearest readable colour of the same hue.
#pragma once

#include <QColor>

namespace zep {

// Contrast ratio of two colours, from 1 (the same luminance) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// Whether text is better drawn light (the base is dark).
bool IsDarkBase(const QColor& base);

// `text` as it is when it stands out enough from `base` (at least `minimum`:1), else the
// colour of its hue made lighter on a dark base, or darker on a light one, just far enough;
// white or black when even that is not enough.
QColor Readable(const QColor& text, const QColor& base, double minimum = 4.5);

} // namespace zep
