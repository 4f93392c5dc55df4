#include "app/logon_animation.h"

#include <QPainter>
#include <cmath>
#include <numbers>

namespace zep {
namespace {
constexpr int kDots = 10;
}

CLogonAnimation::CLogonAnimation(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(90);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % kDots;
        update();
    });
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CLogonAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0 - 6;
    const QColor base(0x1f, 0x6f, 0xc5);
    for (int i = 0; i < kDots; ++i) {
        const double angle = 2 * std::numbers::pi * i / kDots - std::numbers::pi / 2;
        // Dots fade behind the bright one, so the ring reads as turning.
        const int age = (m_frame - i + kDots) % kDots;
        QColor c = base;
        c.setAlphaF(1.0 - age * 0.085);
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        const QPointF at = centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
        p.drawEllipse(at, 4.0, 4.0);
    }
}

void CLogonAnimation::showEvent(QShowEvent*)
{
    m_timer.start();
}

void CLogonAnimation::hideEvent(QHideEvent*)
{
    m_timer.stop();
}

} // namespace zep
