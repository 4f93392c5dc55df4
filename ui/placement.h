// Window placement, kept as Qt's geometry description under the window's setting name
// ("main_wp", "message_wp", "offlinemessage_wp").
#pragma once

class QWidget;

namespace zep {

class Settings;

// The geometry description keeps the normal rectangle and the maximised state; a minimised
// window comes back shown.
void SavePlacement(Settings& settings, const char* name, const QWidget& window);
// Applies a stored placement; false (window untouched) when there is none or it does not apply.
bool RestorePlacement(const Settings& settings, const char* name, QWidget& window);

void SaveMainPlacement(Settings& settings, const QWidget& window);
bool RestoreMainPlacement(const Settings& settings, QWidget& window);

} // namespace zep
