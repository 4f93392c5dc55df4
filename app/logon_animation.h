// The "logging on" animation: a ring of dots with one bright dot going round.
#pragma once

#include <QTimer>
#include <QWidget>

namespace zep {

class CLogonAnimation : public QWidget
{
    Q_OBJECT
public:
    explicit CLogonAnimation(QWidget* parent = nullptr);
    QSize sizeHint() const override { return {48, 48}; }
    int Frame() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    int m_frame = 0;
};

} // namespace zep
