// On X11, the startup id the notification service hands over for the user's click (its
// "ActivationToken"), put on the window that click brings up: as "_NET_STARTUP_ID", and its
// time ("..._TIME<n>") as "_NET_WM_USER_TIME", so the window manager lets that window take the
// focus. Nothing happens on another platform or with an id without a time.
#pragma once

#include <QString>

class QWidget;

namespace zep {

void PassStartupId(QWidget& window, const QString& startupId);
// The time in a startup id ("host-pid-..._TIME123456"); 0 when it holds none.
unsigned long StartupIdTime(const QString& startupId);

} // namespace zep
