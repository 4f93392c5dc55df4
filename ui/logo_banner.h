// The banner at the top of the logon and logging-on views: only the logo, right-aligned; a click
// on it opens "logolink".
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

namespace zep {

class CLogoBanner : public QWidget
{
    Q_OBJECT
public:
    explicit CLogoBanner(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QRect LogoRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPixmap m_logo;
    QString m_link;
};

} // namespace zep
