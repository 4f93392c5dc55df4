// Dialog units: the windows keep their template sizes in units of the dialog font.
#pragma once

#include <QFont>
#include <QFontMetrics>
#include <QSize>
#include <QString>

namespace zep::contacts {

inline QSize DialogUnitsToPixels(const QFont& font, int x, int y)
{
    const QFontMetrics metrics(font);
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Horizontal units are a quarter of the average letter width, vertical an eighth of the height.
    const int average = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    return {x * average / 4, y * metrics.height() / 8};
}

} // namespace zep::contacts
