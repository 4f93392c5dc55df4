// The main window's status bar: the logged-on address, and a lock icon with the cipher as its
// tip while the connection is encrypted.
#pragma once

#include <QLabel>
#include <QStatusBar>
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

    QString AddressText() const { return m_address->text(); }
    bool LockShown() const { return !m_lock->pixmap().isNull(); }
    QString LockTip() const { return m_lock->toolTip(); }

private:
    QLabel* m_address;
    QLabel* m_lock;
};

} // namespace zep
