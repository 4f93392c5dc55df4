#include "placement.h"

#include "settings.h"

#include <QWidget>

namespace zep {

void SaveMainPlacement(Settings& settings, const QWidget& window)
{
    // The geometry description keeps the normal rectangle and the maximised state; a minimised
    // window comes back shown.
    settings.WriteRecord(setting::MainWp, window.saveGeometry());
}

bool RestoreMainPlacement(const Settings& settings, QWidget& window)
{
    const QByteArray record = settings.ReadRecord(setting::MainWp);
    return !record.isEmpty() && window.restoreGeometry(record);
}

} // namespace zep
