// The main window's status bar: the logged-on address, and a lock icon with the cipher as its
// tip while the connection is encrypted; while logged off with a retry pending, when it is due.
#pragma once

#include <QDeadlineTimer>
#include <QLabel>
#include <QStatusBar>
#include <QTimer>
#include <chrono>
#include <optional>

namespace zep {

class CZEPStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    explicit CZEPStatusBar(QWidget* parent = nullptr);

    // Logged on: the address (nothing when empty) and, with a cipher, the lock and its tip.
    // Not logged on: both panes empty.
    void UpdateStatusBar(bool loggedOn, const QString& address,
                         const std::optional<QString>& cipher);

    // The next background try is due in `due` ("Reconnecting in 8 s", counting down), or runs
    // now (a negative `due`). Cleared by the next UpdateStatusBar or ClearReconnect.
    void ShowReconnect(std::chrono::milliseconds due);
    void ClearReconnect();
    QString ReconnectText() const { return m_reconnectShown ? m_address->text() : QString(); }

    QString AddressText() const { return m_reconnectShown ? QString() : m_address->text(); }
    bool LockShown() const { return !m_lock->pixmap().isNull(); }
    QString LockTip() const { return m_lock->toolTip(); }

private:
    void ShowCountdown();

    QLabel* m_address;
    QLabel* m_lock;
    QTimer m_tick;
    QDeadlineTimer m_due;
    bool m_reconnectShown = false;
};

} // namespace zep
