#include "ui/logo_banner.h"

#include "session/settings.h"
#include "ui/colour_scheme.h"
#include "ui/logo.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QPainter>
#include <QUrl>

namespace zep {

CLogoBanner::CLogoBanner(QWidget* parent) : QWidget(parent)
{
    QImage image;
    if (LoadLogo(image))
        m_logo = TransparentTopLeft(image);
    m_link = Settings().ReadText(setting::LogoLink, QString::fromLatin1(defaults::LogoLink));
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

QSize CLogoBanner::sizeHint() const
{
    return {m_logo.width() + 8, m_logo.height() + 8};
}

QRect CLogoBanner::LogoRect() const
{
    const int x = width() - m_logo.width() - 4;
    return {x, (height() - m_logo.height()) / 2, m_logo.width(), m_logo.height()};
}

void CLogoBanner::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    p.setPen(palette().mid().color());
    p.drawLine(0, height() - 1, width(), height() - 1);
    if (!m_logo.isNull())
        DrawLogo(p, LogoRect().topLeft(), m_logo, palette());
}

void CLogoBanner::mousePressEvent(QMouseEvent* event)
{
    if (!m_link.isEmpty() && LogoRect().contains(event->position().toPoint()))
        QDesktopServices::openUrl(QUrl(m_link));
}

void CLogoBanner::mouseMoveEvent(QMouseEvent* event)
{
    const bool overLogo = !m_link.isEmpty() && LogoRect().contains(event->position().toPoint());
    setCursor(overLogo ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

} // namespace zep
