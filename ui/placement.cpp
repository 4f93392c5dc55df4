#include "ui/placement.h"

#include "session/settings.h"

#include <QWidget>

namespace zep {

void SavePlacement(Settings& settings, const char* name, const QWidget& window)
{
    settings.WriteRecord(name, window.saveGeometry());
}

bool RestorePlacement(const Settings& settings, const char* name, QWidget& window)
{
    const QByteArray record = settings.ReadRecord(name);
    return !record.isEmpty() && window.restoreGeometry(record);
}

void SaveMainPlacement(Settings& settings, const QWidget& window)
{
    SavePlacement(settings, setting::MainWp, window);
}

bool RestoreMainPlacement(const Settings& settings, QWidget& window)
{
    return RestorePlacement(settings, setting::MainWp, window);
}

} // namespace zep
