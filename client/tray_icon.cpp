#include "tray_icon.h"

#include "display_texts.h"
#include "resources.h"

namespace zep {

CTrayIcon::CTrayIcon(QObject* parent) : QObject(parent), m_menu(std::make_unique<QMenu>())
{
    InitResources();
    m_menu->addAction(tr("Open ZEP Instant Messenger"), this, &CTrayIcon::openRequested);
    m_menu->addSeparator();
    m_menu->addAction(tr("Exit"), this, &CTrayIcon::exitRequested);
    m_tip = text::TrayTip(false);
    if (!Available())
        return;
    m_icon = new QSystemTrayIcon(QIcon(QStringLiteral(":/icons/zepim_offline.png")), this);
    m_icon->setToolTip(m_tip);
    m_icon->setContextMenu(m_menu.get());
    // Status-notifier trays report no double click, so a single activation opens too.
    connect(m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger || r == QSystemTrayIcon::DoubleClick)
            emit openRequested();
    });
    m_icon->show();
}

CTrayIcon::~CTrayIcon() = default;

bool CTrayIcon::Available()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void CTrayIcon::SetLoggedOn(bool loggedOn)
{
    m_tip = text::TrayTip(loggedOn);
    if (!m_icon)
        return;
    m_icon->setToolTip(m_tip);
    m_icon->setIcon(QIcon(loggedOn ? QStringLiteral(":/icons/zepim.png")
                                   : QStringLiteral(":/icons/zepim_offline.png")));
}

} // namespace zep
