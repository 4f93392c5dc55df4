#include "desktop/tray_badge.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace zep {

QIcon BadgedIcon(const QIcon& base, int count)
{
    if (count <= 0)
        return base;
    const QString text = count > 99 ? QStringLiteral("99+") : QString::number(count);
    QIcon badged;
    for (const int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        base.paint(&painter, pixmap.rect());
        QFont font;
        font.setBold(true);
        font.setPixelSize(std::max(6, size * 9 / 20));
        painter.setFont(font);
        const qreal height = size * 0.6;
        const qreal width = std::min<qreal>(
            size, std::max(height, QFontMetricsF(font).horizontalAdvance(text) + height / 3));
        const QRectF disc(size - width, 0, width, height);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd0, 0x21, 0x21));
        painter.drawRoundedRect(disc, height / 2, height / 2);
        painter.setPen(Qt::white);
        painter.drawText(disc, Qt::AlignCenter, text);
        painter.end();
        badged.addPixmap(pixmap);
    }
    return badged;
}

} // namespace zep
