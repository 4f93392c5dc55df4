// Pieces the program's windows share: the warning box, the font dialog with a colour button,
// and the Edit menu over the focused rich edit pane.
#pragma once

#include <QColor>
#include <QFont>
#include <QList>
#include <functional>
#include <utility>
#include <vector>

class QAction;
class QMessageBox;
class QString;
class QMenu;
class QMenuBar;
class QWidget;

namespace zep::conversations {

class CRichEditCtrlEx;

// `font` with the family the desktop really draws it in: an alias such as fontconfig's
// "Sans Serif" offers no bold or italic faces in the font dialog, its real family does.
QFont WithRealFamily(const QFont& font);

// A font dialog modal to `parent`'s window, with "Co&lor..." beside OK (Qt's font dialog has no
// colour of its own). `chosen` gets the font and colour when the user presses OK. Opened with
// open(): nothing waits for it.
void OpenFontAndColourDialog(QWidget* parent, const QFont& font, const QColor& colour,
                             std::function<void(const QFont&, const QColor&)> chosen,
                             const QString& objectName = {});

// A warning box over `parent`'s window with "OK", modal to that window only, opened without a
// nested loop and deleted when it closes.
QMessageBox* OpenWarningBox(QWidget* parent, const QString& text);

// A Yes/No question over `parent`'s window, "No" the default, modal to that window only and
// opened without a nested loop; `yes` runs only when the user answers Yes.
QMessageBox* OpenQuestionBox(QWidget* parent, const QString& text, std::function<void()> yes);

// The Edit commands on a text field: a rich edit pane or a one-line field (other widgets: none).
bool CanEdit(const QWidget* field, int command);
bool DoEdit(QWidget* field, int command);

// Adds "&Edit" with Undo, Cut, Copy, Paste, Delete and Select All and their keys; each acts on
// the text field `focused` returns (none: nothing). `actions` receives each action with its
// EditCommand number, for the owner's enabling rules.
QMenu* AddEditMenu(QMenuBar& bar, QWidget& owner, std::function<QWidget*()> focused,
                   std::vector<std::pair<QAction*, int>>& actions);

} // namespace zep::conversations
