#include "conversations/button_ex.h"

#include "contacts/plain_text.h"
#include "ui/colour_scheme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>

namespace zep {

CButtonEx::CButtonEx(int controlId, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), m_controlId(controlId),
      m_text(palette().color(QPalette::ButtonText)),
      m_disabledText(palette().color(QPalette::Disabled, QPalette::ButtonText)),
      m_font(QFontDatabase::systemFont(QFontDatabase::GeneralFont))
{
    setAttribute(Qt::WA_Hover, true);
    // Every activation reaches the one command: the mouse (below), Space, click() and the
    // accessible press action that screen readers use all end in clicked().
    connect(this, &QAbstractButton::clicked, this, [this] { emit Command(m_controlId); });
}

QColor CButtonEx::DefaultBackColour()
{
    const QPalette desktop = QApplication::palette();
    return IsDarkPalette(desktop) ? desktop.color(QPalette::Window) : QColor(242, 242, 255);
}

void CButtonEx::FollowBodyColours(QWidget& body)
{
    FollowPalette(body, [&body] {
        const QPalette desktop = QApplication::palette();
        QPalette back = body.palette();
        back.setColor(QPalette::Window, DefaultBackColour());
        back.setColor(QPalette::WindowText,
                      IsDarkPalette(desktop) ? desktop.color(QPalette::WindowText) : Qt::black);
        body.setPalette(back);
        for (CButtonEx* button : body.findChildren<CButtonEx*>())
            button->SetColours(DefaultBackColour(), desktop.color(QPalette::ButtonText),
                               desktop.color(QPalette::Disabled, QPalette::ButtonText));
    });
}

void CButtonEx::SetColours(const QColor& back, const QColor& text, const QColor& disabledText)
{
    m_back = back;
    m_text = text;
    m_disabledText = disabledText;
    update();
}

void CButtonEx::SetBitmap(const QPixmap& bitmap)
{
    m_bitmap = bitmap;
    updateGeometry();
    update();
}

void CButtonEx::SetFlat(bool flat, bool repaint)
{
    m_flat = flat;
    if (repaint)
        update();
}

void CButtonEx::SetTip(const QString& tip)
{
    setToolTip(contacts::PlainToolTip(tip));
}

CButtonEx::Edge CButtonEx::CurrentEdge() const
{
    if (m_flat && !m_hover)
        return Edge::None;
    return m_pressed ? Edge::Sunken : Edge::Raised;
}

QSize CButtonEx::sizeHint() const
{
    const QFontMetrics metrics(m_font);
    int width = metrics.horizontalAdvance(text()) + 32;
    int height = metrics.height() + 12;
    if (!m_bitmap.isNull()) {
        width += m_bitmap.width() + 16;
        height = std::max(height, m_bitmap.height() + 8);
    }
    return {width, height};
}

void CButtonEx::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, m_back);
    QRect caption = all;
    if (!m_bitmap.isNull()) {
        painter.drawPixmap(all.left() + 8, all.top() + 4, m_bitmap);
        caption.setLeft(all.left() + 8 + m_bitmap.width() + 8);
    }
    if (!text().isEmpty()) {
        painter.setFont(m_font);
        painter.setPen(isEnabled() ? m_text : m_disabledText);
        painter.drawText(caption.adjusted(8, 0, -8, 0), Qt::AlignCenter | Qt::TextSingleLine,
                         text());
    }
    const Edge edge = CurrentEdge();
    if (edge != Edge::None) {
        const QColor light = m_back.lighter(150);
        const QColor dark = m_back.darker(170);
        const QColor topLeft = edge == Edge::Raised ? light : dark;
        const QColor bottomRight = edge == Edge::Raised ? dark : light;
        painter.setPen(topLeft);
        painter.drawLine(all.topLeft(), all.topRight());
        painter.drawLine(all.topLeft(), all.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(all.bottomLeft(), all.bottomRight());
        painter.drawLine(all.topRight(), all.bottomRight());
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = all.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

// Hover follows enter and leave events; a disabled button never shows it.
void CButtonEx::enterEvent(QEnterEvent*)
{
    if (isEnabled() && !m_hover) {
        m_hover = true;
        update();
    }
}

void CButtonEx::leaveEvent(QEvent*)
{
    if (m_hover && !m_pressed) {
        m_hover = false;
        update();
    }
}

void CButtonEx::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        m_hover = false;
        m_pressed = false;
        update();
    }
    QPushButton::changeEvent(event);
}

void CButtonEx::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_pressed = true;
    setFocus(Qt::MouseFocusReason);
    update();
}

void CButtonEx::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void CButtonEx::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool wasPressed = m_pressed;
    const bool inside = rect().contains(event->position().toPoint());
    // All state is cleared before the command goes out: its handler may delete this button.
    m_pressed = false;
    if (!inside)
        m_hover = false;
    if (wasPressed && inside) {
        m_hover = false;
        QToolTip::hideText();
    }
    update();
    if (wasPressed && inside && isEnabled())
        click();
}

void CButtonEx::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QPointer<CButtonEx> alive(this);
        const int id = m_controlId;
        // Posted, as the window's own Enter handling may be under way.
        QMetaObject::invokeMethod(
            this,
            [alive, id] {
                if (alive)
                    emit alive->Command(id);
            },
            Qt::QueuedConnection);
        return;
    }
    QPushButton::keyPressEvent(event);
}

} // namespace zep
