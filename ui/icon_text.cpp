#include "ui/icon_text.h"

#include <QEvent>
#include <QWidget>

namespace zep {

bool CIconTextFollowsTitle::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowTitleChange && watched->isWidgetType()) {
        auto* window = static_cast<QWidget*>(watched);
        if (window->isWindow())
            window->setWindowIconText(window->windowTitle());
    }
    return false;
}

} // namespace zep
