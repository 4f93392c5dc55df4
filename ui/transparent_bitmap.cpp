#include "ui/transparent_bitmap.h"

#include "ui/logo.h"

namespace zep {

CTransparentBitmap::CTransparentBitmap(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("CTransparentBitmap"));
    setAttribute(Qt::WA_TranslucentBackground);
}

QImage CTransparentBitmap::SetBitmap(const QImage& image)
{
    QImage previous = m_image;
    m_image = image;
    setPixmap(TransparentTopLeft(image));
    return previous;
}

bool CTransparentBitmap::ShowLogo()
{
    QImage logo;
    if (!LoadLogo(logo))
        return false;
    const QPoint topRight = geometry().topRight();
    SetBitmap(logo);
    setFixedSize(logo.size());
    move(topRight.x() - logo.width() + 1, topRight.y());
    update();
    return true;
}

} // namespace zep
