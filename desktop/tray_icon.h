// The notification-area icon: it shows the own status with the contact list's images and the
// count of unread messages over it; its tip tells whether the user is logged on, or how many
// messages are unread; activating it opens the main window; its menu is filled by the frame
// each time it opens. Where the desktop has no
// notification area (yet: autostart often runs before the panel), nothing is shown until one
// appears, and the icon comes back when the notification area is restarted.
#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <functional>
#include <memory>

namespace zep {

// The longest tip the notification area is given.
inline constexpr int kTrayTipMax = 127;

class CTrayIcon : public QObject
{
    Q_OBJECT
public:
    // `available` says whether a notification area is there now (tests replace it).
    explicit CTrayIcon(QObject* parent = nullptr,
                       std::function<bool()> available = &CTrayIcon::Available);
    ~CTrayIcon() override;

    static bool Available();
    // Whether the icon is in a notification area now.
    bool Shown() const { return m_icon != nullptr && m_icon->isVisible(); }
    void SetLoggedOn(bool loggedOn);
    // The own status's image while logged on.
    void SetStatusIcon(const QIcon& icon);
    void SetUnread(int count);
    int Unread() const { return m_unread; }
    // What the notification area shows now.
    QIcon CurrentIcon() const;
    void SetTip(const QString& tip);
    QString Tip() const { return m_tip; }
    QMenu* Menu() { return m_menu.get(); }
    // Looks for a notification area that came or went since the last look.
    void CheckAvailability();

signals:
    void openRequested();
    // A click: the main window comes up, or goes when it is already in front.
    void toggleRequested();
    // The menu is about to open: the owner fills it anew.
    void menuRequested(QMenu* menu);

private:
    void AddIcon();
    void Refresh();

    std::function<bool()> m_available;
    std::unique_ptr<QMenu> m_menu;
    QSystemTrayIcon* m_icon = nullptr;
    QTimer m_watch;
    QString m_tip;
    bool m_loggedOn = false;
    QIcon m_status;
    int m_unread = 0;
    bool m_wasAvailable = false;
};

} // namespace zep
