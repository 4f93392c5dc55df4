// Shows a window of ours modal to its owner's window only, raised and active.
#pragma once

#include <QWidget>
#include <QWindow>

namespace zep::contacts {

inline void ShowModalTo(QWidget& window, QWidget* owner)
{
    if (owner != nullptr) {
        QWidget* ownerWindow = owner->window();
        // Modality follows the transient parent; both native windows must exist for it.
        ownerWindow->winId();
        window.winId();
        if (window.windowHandle() != nullptr)
            window.windowHandle()->setTransientParent(ownerWindow->windowHandle());
    }
    window.show();
    window.raise();
    window.activateWindow();
}

} // namespace zep::contacts
