// Main window placement, kept as Qt's geometry description under "main_wp".
#pragma once

class QWidget;

namespace zep {

class Settings;

void SaveMainPlacement(Settings& settings, const QWidget& window);
// Applies a stored placement; false (window untouched) when there is none or it does not apply.
bool RestoreMainPlacement(const Settings& settings, QWidget& window);

} // namespace zep
