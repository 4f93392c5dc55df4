#include "conversations/edit_actions.h"

#include "conversations/rich_edit_ctrl_ex.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <memory>

namespace zep::conversations {

QMessageBox* OpenWarningBox(QWidget* parent, const QString& text)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QMessageBox::tr("ZEP Instant Messenger"),
                                text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText); // the text may hold a name from the server
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    return box;
}

QMessageBox* OpenQuestionBox(QWidget* parent, const QString& text, std::function<void()> yes)
{
    auto* box = new QMessageBox(QMessageBox::Question, QMessageBox::tr("ZEP Instant Messenger"),
                                text, QMessageBox::Yes | QMessageBox::No, parent);
    box->setTextFormat(Qt::PlainText); // the text may hold a name from the server
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, parent, [box, yes = std::move(yes)](int) {
        if (box->clickedButton() == box->button(QMessageBox::Yes) && yes)
            yes();
    });
    box->open();
    return box;
}

bool CanEdit(const QWidget* field, int command)
{
    if (const auto* pane = qobject_cast<const CRichEditCtrlEx*>(field))
        return pane->CanDo(static_cast<EditCommand>(command));
    const auto* line = qobject_cast<const QLineEdit*>(field);
    if (line == nullptr || !line->isEnabled())
        return false;
    const bool writable = !line->isReadOnly();
    const bool selection = line->hasSelectedText() && line->echoMode() == QLineEdit::Normal;
    switch (static_cast<EditCommand>(command)) {
    case EditCommand::Undo:
        return writable && line->isUndoAvailable();
    case EditCommand::Cut:
    case EditCommand::Delete:
        return writable && selection;
    case EditCommand::Copy:
        return selection;
    case EditCommand::Paste:
        return writable && !QApplication::clipboard()->text().isEmpty();
    case EditCommand::SelectAll:
        return !line->text().isEmpty();
    }
    return false;
}

bool DoEdit(QWidget* field, int command)
{
    if (auto* pane = qobject_cast<CRichEditCtrlEx*>(field))
        return pane->Do(static_cast<EditCommand>(command));
    auto* line = qobject_cast<QLineEdit*>(field);
    if (line == nullptr || !CanEdit(line, command))
        return false;
    switch (static_cast<EditCommand>(command)) {
    case EditCommand::Undo:
        line->undo();
        break;
    case EditCommand::Cut:
        line->cut();
        break;
    case EditCommand::Copy:
        line->copy();
        break;
    case EditCommand::Paste:
        line->paste();
        break;
    case EditCommand::Delete:
        line->del();
        break;
    case EditCommand::SelectAll:
        line->selectAll();
        break;
    }
    return true;
}

QFont WithRealFamily(const QFont& font)
{
    QFont real = font;
    const QString family = QFontInfo(font).family();
    if (!family.isEmpty())
        real.setFamily(family);
    return real;
}

void OpenFontAndColourDialog(QWidget* parent, const QFont& font, const QColor& colour,
                             std::function<void(const QFont&, const QColor&)> chosen,
                             const QString& objectName)
{
    auto* dialog = new QFontDialog(WithRealFamily(font), parent);
    if (!objectName.isEmpty())
        dialog->setObjectName(objectName);
    dialog->setOption(QFontDialog::DontUseNativeDialog);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    auto picked = std::make_shared<QColor>(colour);
    // The sample shows the text as it will look, colour included.
    auto* sample = dialog->findChild<QLineEdit*>(QStringLiteral("qt_fontDialog_sampleEdit"));
    const auto showColour = [sample](const QColor& c) {
        if (sample == nullptr || !c.isValid())
            return;
        QPalette look = sample->palette();
        look.setColor(QPalette::Text, c);
        sample->setPalette(look);
    };
    showColour(colour);
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>()) {
        QPushButton* pick =
            buttons->addButton(QFontDialog::tr("Co&lor..."), QDialogButtonBox::ActionRole);
        QObject::connect(pick, &QPushButton::clicked, dialog, [dialog, picked, showColour] {
            auto* colours = new QColorDialog(*picked, dialog);
            colours->setWindowModality(Qt::WindowModal);
            colours->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(colours, &QColorDialog::colorSelected, dialog,
                             [picked, showColour](const QColor& c) {
                                 *picked = c;
                                 showColour(c);
                             });
            colours->open();
        });
    }
    QObject::connect(dialog, &QFontDialog::fontSelected, parent,
                     [picked, chosen = std::move(chosen)](const QFont& f) { chosen(f, *picked); });
    dialog->open();
}

QMenu* AddEditMenu(QMenuBar& bar, QWidget& owner, std::function<QWidget*()> focused,
                   std::vector<std::pair<QAction*, int>>& actions)
{
    QMenu* menu = bar.addMenu(QMenuBar::tr("&Edit"));
    const auto edit = [&](const QString& text, EditCommand command,
                          const QList<QKeySequence>& keys) {
        QAction* action = menu->addAction(text);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setData(static_cast<int>(command));
        QObject::connect(action, &QAction::triggered, &owner,
                         [focused, command] { DoEdit(focused(), static_cast<int>(command)); });
        actions.emplace_back(action, static_cast<int>(command));
    };
    edit(QMenuBar::tr("&Undo"), EditCommand::Undo,
         {QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    edit(QMenuBar::tr("Cu&t"), EditCommand::Cut,
         {QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    edit(QMenuBar::tr("&Copy"), EditCommand::Copy,
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    edit(QMenuBar::tr("&Paste"), EditCommand::Paste,
         {QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    edit(QMenuBar::tr("&Delete"), EditCommand::Delete, {QKeySequence(Qt::Key_Delete)});
    edit(QMenuBar::tr("&Select All"), EditCommand::SelectAll, {QKeySequence(Qt::CTRL | Qt::Key_A)});
    return menu;
}

} // namespace zep::conversations
