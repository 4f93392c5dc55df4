#include "ui/contrast.h"

#include <algorithm>
#include <cmath>

namespace zep {

namespace {

double Channel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * Channel(rgb.redF()) + 0.7152 * Channel(rgb.greenF()) +
           0.0722 * Channel(rgb.blueF());
}

} // namespace

double ContrastRatio(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkBase(const QColor& base)
{
    // Where white text would stand out more than black.
    return ContrastRatio(base, Qt::white) > ContrastRatio(base, Qt::black);
}

QColor Readable(const QColor& text, const QColor& base, double minimum)
{
    if (!text.isValid() || !base.isValid() || ContrastRatio(text, base) >= minimum)
        return text;
    const bool lighter = IsDarkBase(base);
    const QColor end = lighter ? QColor(Qt::white) : QColor(Qt::black);
    if (ContrastRatio(end, base) < minimum)
        return end;
    // The hue and saturation stay; the lightness moves toward the end that reads, by halves
    // until it is within 1/256 of the least change that is enough.
    const QColor hsl = text.toHsl();
    const float hue = std::max(0.0f, hsl.hslHueF()); // -1 for grey
    const auto at = [&](double lightness) {
        return QColor::fromHslF(hue, hsl.hslSaturationF(), static_cast<float>(lightness),
                                hsl.alphaF());
    };
    double from = hsl.lightnessF();
    double to = lighter ? 1.0 : 0.0;
    while (std::abs(to - from) > 1.0 / 256) {
        const double middle = (from + to) / 2;
        if (ContrastRatio(at(middle), base) >= minimum)
            to = middle;
        else
            from = middle;
    }
    const QColor found = at(to).toRgb();
    return ContrastRatio(found, base) >= minimum ? found : end;
}

} // namespace zep
