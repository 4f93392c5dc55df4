// The push button of the conversation and offline message windows: drawn on its own colour,
// optionally flat until the pointer is over it, with an optional image left of its caption.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPushButton>

namespace zep {

class CButtonEx : public QPushButton
{
    Q_OBJECT
public:
    // The hosts set the background to red 242, green 242, blue 255; on a dark desktop to the
    // desktop's window colour.
    static QColor DefaultBackColour();
    // Gives a window's body and its buttons the default colours, now and whenever the
    // desktop's palette changes.
    static void FollowBodyColours(QWidget& body);

    CButtonEx(int controlId, const QString& caption, QWidget* parent = nullptr);

    int ControlId() const { return m_controlId; }
    void SetColours(const QColor& back, const QColor& text, const QColor& disabledText);
    void SetBitmap(const QPixmap& bitmap);
    void SetFlat(bool flat, bool repaint = true);
    void SetTip(const QString& tip);

    bool IsHover() const { return m_hover; }
    bool IsPressed() const { return m_pressed; }
    bool IsFlat() const { return m_flat; }
    // Whether the edge would be drawn now, and how.
    enum class Edge
    {
        None,
        Raised,
        Sunken
    };
    Edge CurrentEdge() const;

    QSize sizeHint() const override;

signals:
    // The button's command, sent to its owner, for every activation (mouse, Enter, Space,
    // click(), the accessible press action). The handler may close the owning window.
    void Command(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int m_controlId;
    QColor m_back = DefaultBackColour();
    QColor m_text;
    QColor m_disabledText;
    QFont m_font;
    QPixmap m_bitmap;
    bool m_flat = false;
    bool m_hover = false;
    bool m_pressed = false;
};

} // namespace zep
