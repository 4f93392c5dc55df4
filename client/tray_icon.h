// The notification-area icon: its tip tells whether the user is logged on; activating it opens
// the main window. Where the desktop has no notification area nothing is shown.
#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <memory>

namespace zep {

class CTrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit CTrayIcon(QObject* parent = nullptr);
    ~CTrayIcon() override;

    static bool Available();
    void SetLoggedOn(bool loggedOn);
    QString Tip() const { return m_tip; }
    QMenu* Menu() { return m_menu.get(); }

signals:
    void openRequested();
    void exitRequested();

private:
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QString m_tip;
};

} // namespace zep
