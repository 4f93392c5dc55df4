// The about box: the program's name and version, shown without blocking.
#pragma once

class QWidget;

namespace zep {

void ShowAboutBox(QWidget* over);

} // namespace zep
