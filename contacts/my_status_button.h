// The banner at the top of the main view: own status icon, drop-down arrow, status text, and
// at the right the logo that opens the "logolink" page. Without text it shows only the logo.
#pragma once

#include <QPixmap>
#include <QUrl>
#include <QWidget>
#include <functional>

namespace zep::contacts {

class CMyStatusButton : public QWidget
{
    Q_OBJECT
public:
    explicit CMyStatusButton(QWidget* parent = nullptr);

    void SetStatus(const QPixmap& bitmap, const QString& text);
    void SetTip(const QString& tip);
    void SetLogo(const QPixmap& logo);
    // An empty link makes logo clicks do nothing.
    void SetLogoLink(const QString& link) { m_logoLink = link; }
    // How a link is opened (the desktop's browser unless a test says otherwise).
    void SetUrlOpener(std::function<void(const QUrl&)> opener) { m_openUrl = std::move(opener); }

    int PreferredHeight() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    QString Text() const { return m_text; }
    QString Tip() const { return toolTip(); }
    const QPixmap& StatusBitmap() const { return m_status; }
    // Areas as last laid out, in widget coordinates.
    QRect StatusArea() const { return m_statusArea; }
    QRect ArrowRect() const { return m_arrowRect; }
    QRect LogoRect() const { return m_logoRect; }
    // Where the status menu opens: under the arrow's left edge, 4 pixels below it.
    QPoint MenuPosition() const;
    // The status menu asked for without the mouse or keys (the accessible press action).
    void OpenMenuFromOutside();

signals:
    // A click on the status area, or Enter or Down while focused: the host opens the menu.
    void StatusMenuRequested();

private:
    void PostMenuRequest();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Layout();

    QPixmap m_status;
    QPixmap m_arrow;
    QPixmap m_logo;
    QPixmap m_shownLogo; // the logo at the size the width leaves it (null: hidden)
    QString m_text;
    QString m_logoLink;
    std::function<void(const QUrl&)> m_openUrl;
    QRect m_statusArea;
    QRect m_arrowRect;
    QRect m_logoRect;
    QRect m_textRect;
};

} // namespace zep::contacts
