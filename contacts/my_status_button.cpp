#include "contacts/my_status_button.h"

#include "contacts/contact_images.h"
#include "contacts/plain_text.h"
#include "ui/colour_scheme.h"

#include <QAccessibleWidget>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace zep::contacts {

namespace {

constexpr int kIconSize = 16;

QStringList Lines(const QString& text)
{
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return plain.split(QLatin1Char('\n'));
}

// A button with a menu for assistive technology, named by the status it shows; its press
// opens the status menu as a click does.
class BannerAccessible : public QAccessibleWidget
{
public:
    explicit BannerAccessible(CMyStatusButton* banner)
        : QAccessibleWidget(banner, QAccessible::ButtonMenu), m_banner(banner)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return m_banner->Text().simplified();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == showMenuAction() || action == pressAction())
            m_banner->OpenMenuFromOutside();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    CMyStatusButton* m_banner;
};

QAccessibleInterface* BannerFactory(const QString& key, QObject* object)
{
    if (key == QLatin1String(CMyStatusButton::staticMetaObject.className()))
        return new BannerAccessible(static_cast<CMyStatusButton*>(object));
    return nullptr;
}

} // namespace

CMyStatusButton::CMyStatusButton(QWidget* parent)
    : QWidget(parent),
      m_status(ContactImages().Icon(ContactImage::Contact).pixmap(kIconSize, kIconSize)),
      m_arrow(ContactImages::ArrowIcon().pixmap(kIconSize, kIconSize)),
      m_openUrl([](const QUrl& url) { QDesktopServices::openUrl(url); })
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    static const bool registered = (QAccessible::installFactory(&BannerFactory), true);
    (void)registered;
}

void CMyStatusButton::OpenMenuFromOutside()
{
    if (!m_text.isEmpty())
        PostMenuRequest();
}

void CMyStatusButton::SetStatus(const QPixmap& bitmap, const QString& text)
{
    m_status = bitmap;
    m_text = text;
    if (QAccessible::isActive()) {
        QAccessibleEvent named(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&named);
    }
    Layout();
    updateGeometry();
    update();
}

void CMyStatusButton::SetTip(const QString& tip)
{
    setToolTip(PlainToolTip(tip));
}

void CMyStatusButton::SetLogo(const QPixmap& logo)
{
    m_logo = logo;
    Layout();
    updateGeometry();
    update();
}

int CMyStatusButton::PreferredHeight() const
{
    const int byBitmap = 2 * std::max(m_status.height(), kIconSize);
    const int byText = 2 * fontMetrics().height();
    return std::max({byBitmap, byText, m_logo.height() + 4});
}

QSize CMyStatusButton::sizeHint() const
{
    return {240, PreferredHeight()};
}

QSize CMyStatusButton::minimumSizeHint() const
{
    // The icon, the arrow and a little of the text; the logo gives way.
    return {4 * kIconSize + fontMetrics().averageCharWidth() * 8, PreferredHeight()};
}

QPoint CMyStatusButton::MenuPosition() const
{
    return mapToGlobal(QPoint(m_arrowRect.left(), m_arrowRect.bottom() + 1 + 4));
}

void CMyStatusButton::Layout()
{
    const QRect all = rect();
    int textLeft = all.left();
    int textWidth = 0;
    int b = 0;
    int w = kIconSize;
    int h = kIconSize;
    if (!m_text.isEmpty()) {
        w = m_status.isNull() ? kIconSize : m_status.width();
        h = m_status.isNull() ? kIconSize : m_status.height();
        b = w / 4;
        textLeft = all.left() + 3 * b + 2 * w;
        for (const QString& line : Lines(m_text))
            textWidth = std::max(textWidth, fontMetrics().horizontalAdvance(line));
    }
    // The status text comes first: the logo takes what is left, shrinking to half its width,
    // and is hidden when even that does not fit.
    const int textEnd = m_text.isEmpty() ? all.left() : textLeft + textWidth + 2 * b;
    const int room = all.right() + 1 - textEnd;
    m_shownLogo = QPixmap();
    if (!m_logo.isNull() && room >= m_logo.width()) {
        m_shownLogo = m_logo;
    } else if (!m_logo.isNull() && room >= m_logo.width() / 2 && room > 0) {
        m_shownLogo = m_logo.scaledToWidth(room, Qt::SmoothTransformation);
    }
    const int logoLeft =
        m_shownLogo.isNull() ? all.right() + 1 : all.right() + 1 - m_shownLogo.width();
    m_logoRect =
        m_shownLogo.isNull() ? QRect() : QRect(QPoint(logoLeft, all.top()), all.bottomRight());
    const int areaRight = logoLeft;
    if (m_text.isEmpty()) {
        m_statusArea = m_arrowRect = m_textRect = QRect();
        return;
    }
    const int iconTop = all.top() + (all.height() - h) / 2;
    m_arrowRect = QRect(all.left() + w + 2 * b, iconTop, m_arrow.width(), m_arrow.height());
    const int textRight = std::min(textLeft + textWidth, areaRight);
    m_textRect =
        QRect(QPoint(textLeft, all.top()), QPoint(std::max(textLeft, textRight - 1), all.bottom()));
    m_statusArea = QRect(QPoint(all.left(), all.top()),
                         QPoint(std::min(textLeft + textWidth + b, areaRight) - 1, all.bottom()));
}

void CMyStatusButton::resizeEvent(QResizeEvent*)
{
    Layout();
}

void CMyStatusButton::paintEvent(QPaintEvent*)
{
    Layout();
    QPainter painter(this);
    const QRect all = rect();
    // A pale blue shade on a light desktop; on a dark one a shade of its window colour.
    const QColor window = palette().color(QPalette::Window);
    const bool dark = IsDarkPalette(palette());
    QLinearGradient shade(all.topLeft(), all.bottomLeft());
    shade.setColorAt(0, dark ? window.lighter(135) : QColor(250, 251, 255));
    shade.setColorAt(1, dark ? window.lighter(110) : QColor(222, 228, 245));
    painter.fillRect(all, shade);
    painter.setPen(dark ? window.darker(150) : QColor(180, 188, 210));
    painter.drawLine(all.bottomLeft(), all.bottomRight());
    if (!m_shownLogo.isNull())
        DrawLogo(painter,
                 QPoint(m_logoRect.left(), all.top() + (all.height() - m_shownLogo.height()) / 2),
                 m_shownLogo, palette());
    if (m_text.isEmpty())
        return;
    const int w = m_status.width();
    const int h = m_status.height();
    const int b = w / 4;
    painter.drawPixmap(all.left() + b, all.top() + (all.height() - h) / 2, m_status);
    painter.drawPixmap(m_arrowRect.topLeft(), m_arrow);
    painter.setPen(palette().color(QPalette::WindowText));
    const QStringList lines = Lines(m_text);
    const int lineHeight = fontMetrics().height();
    int y = all.top() + (all.height() - lineHeight * static_cast<int>(lines.size())) / 2;
    const int room =
        (m_shownLogo.isNull() ? all.right() + 1 : m_logoRect.left()) - m_textRect.left();
    for (const QString& line : lines) {
        const QString shown = fontMetrics().elidedText(line, Qt::ElideRight, std::max(0, room));
        painter.drawText(QRect(m_textRect.left(), y, std::max(0, room), lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        y += lineHeight;
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = m_statusArea.adjusted(1, 1, -1, -1);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

// Posted, not emitted from inside the input handler: the menu it opens must not run while the
// button is still in the middle of its own event.
void CMyStatusButton::PostMenuRequest()
{
    QMetaObject::invokeMethod(
        this, [this] { emit StatusMenuRequested(); }, Qt::QueuedConnection);
}

void CMyStatusButton::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton)
        return;
    if (!m_text.isEmpty() && m_statusArea.contains(at)) {
        PostMenuRequest();
        return;
    }
    if (m_logoRect.contains(at) && !m_logoLink.isEmpty() && m_openUrl)
        m_openUrl(QUrl(m_logoLink));
}

void CMyStatusButton::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const bool onTarget = (!m_text.isEmpty() && m_statusArea.contains(at)) ||
                          (m_logoRect.contains(at) && !m_logoLink.isEmpty());
    setCursor(onTarget ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void CMyStatusButton::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (!m_text.isEmpty() &&
        (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down)) {
        PostMenuRequest();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace zep::contacts
