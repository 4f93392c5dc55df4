// The about dialog: the program's name and version, the Qt it runs on, the licence and the
// home page. One at a time, shown without blocking, modal to the window it is opened over.
#pragma once

class QDialog;
class QString;
class QWidget;

namespace zep {

QDialog* ShowAboutBox(QWidget* over);
QString AboutHomePage();

} // namespace zep
