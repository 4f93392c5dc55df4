#include "ui/logo.h"

#include "resources/resources.h"
#include "session/settings.h"

#include <QBitmap>

namespace zep {

bool LoadLogo(QImage& image)
{
    const QString file = Settings().ReadText(setting::LogoFile);
    if (!file.isEmpty() && image.load(file))
        return true;
    InitResources();
    return image.load(QStringLiteral(":/images/logo.png"));
}

QPixmap TransparentTopLeft(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = argb.pixel(0, 0);
    QPixmap pixmap = QPixmap::fromImage(argb);
    pixmap.setMask(QBitmap::fromImage(argb.createMaskFromColor(key, Qt::MaskInColor)));
    return pixmap;
}

} // namespace zep
