#include "desktop/tray_icon.h"

#include "contacts/contact_images.h"
#include "desktop/tray_badge.h"
#include "resources/resources.h"
#include "ui/display_texts.h"

namespace zep {

CTrayIcon::CTrayIcon(QObject* parent, std::function<bool()> available)
    : QObject(parent), m_available(std::move(available)), m_menu(std::make_unique<QMenu>())
{
    InitResources();
    m_menu->setObjectName(QStringLiteral("TrayMenu"));
    // One menu, refreshed each time it opens, stands in for a menu built anew at each click.
    connect(m_menu.get(), &QMenu::aboutToShow, this, [this] { emit menuRequested(m_menu.get()); });
    SetTip(text::TrayTip(false));
    CheckAvailability();
    // Neither the panel's late start nor its restart is announced to a Qt program.
    connect(&m_watch, &QTimer::timeout, this, &CTrayIcon::CheckAvailability);
    m_watch.start(5000);
}

CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::CheckAvailability()
{
    const bool now = m_available();
    if (now && !m_wasAvailable)
        AddIcon(); // new, or back after the notification area restarted: the same tip
    else if (!now && m_icon != nullptr)
        m_icon->hide();
    m_wasAvailable = now;
}

void CTrayIcon::AddIcon()
{
    if (m_icon == nullptr) {
        m_icon = new QSystemTrayIcon(this);
        m_icon->setContextMenu(m_menu.get());
        // A click shows the window or puts it away; a double click (whose first click has
        // already put it away) always shows it. Status-notifier trays report only clicks.
        connect(m_icon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason r) {
                    if (r == QSystemTrayIcon::Trigger)
                        emit toggleRequested();
                    else if (r == QSystemTrayIcon::DoubleClick)
                        emit openRequested();
                });
    }
    m_icon->hide();
    m_icon->setIcon(CurrentIcon());
    m_icon->setToolTip(m_tip);
    m_icon->show();
}

QIcon CTrayIcon::CurrentIcon() const
{
    QIcon status = m_status;
    if (!m_loggedOn)
        status = contacts::ContactImages::OfflineIcon();
    else if (status.isNull())
        status = QIcon(QStringLiteral(":/icons/zepim.png"));
    return BadgedIcon(status, m_unread);
}

void CTrayIcon::Refresh()
{
    SetTip(m_unread > 0 ? text::UnreadMessages(m_unread) : text::TrayTip(m_loggedOn));
    if (m_icon != nullptr)
        m_icon->setIcon(CurrentIcon());
}

void CTrayIcon::SetLoggedOn(bool loggedOn)
{
    m_loggedOn = loggedOn;
    if (!loggedOn)
        m_status = QIcon();
    Refresh();
}

void CTrayIcon::SetStatusIcon(const QIcon& icon)
{
    m_status = icon;
    Refresh();
}

void CTrayIcon::SetUnread(int count)
{
    m_unread = std::max(count, 0);
    Refresh();
}

void CTrayIcon::SetTip(const QString& tip)
{
    m_tip = tip.left(kTrayTipMax);
    if (m_icon != nullptr)
        m_icon->setToolTip(m_tip);
}

} // namespace zep
