// Every top-level window takes its title as its icon text too: a minimised window is announced
// by its icon text over the accessibility bus, and without one it reads as an unnamed filler.
#pragma once

#include <QObject>

namespace zep {

class CIconTextFollowsTitle : public QObject
{
public:
    using QObject::QObject;
    // Installed on the application, it sees every window's title change.
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace zep
