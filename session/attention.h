// Whether the messenger may ask for the user's attention now. While the user's own status is
// "Do not disturb", or the desktop holds notifications back, there are no notifications, no
// beep and no flashing; what arrives is still counted and shown when the user looks.
// UI thread only.
#pragma once

namespace zep::attention {

void SetOwnDoNotDisturb(bool on);
void SetDesktopInhibited(bool on);
bool Quiet();

} // namespace zep::attention
