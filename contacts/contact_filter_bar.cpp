#include "contacts/contact_filter_bar.h"

#include <QAction>
#include <QIcon>
#include <QKeyEvent>

namespace zep::contacts {

ContactFilterBar::ContactFilterBar(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("ContactFilter"));
    setPlaceholderText(tr("Search contacts"));
    setAccessibleName(tr("Search contacts"));
    setClearButtonEnabled(true);
    const QIcon find = QIcon::fromTheme(QStringLiteral("edit-find"));
    if (!find.isNull())
        addAction(find, QLineEdit::LeadingPosition);
    hide();
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { emit FilterChanged(text.trimmed()); });
    connect(this, &QLineEdit::returnPressed, this, &ContactFilterBar::Accepted);
}

void ContactFilterBar::Open()
{
    show();
    setFocus(Qt::ShortcutFocusReason);
    selectAll();
}

void ContactFilterBar::Continue(const QString& typed)
{
    if (isHidden())
        clear();
    show();
    setFocus(Qt::OtherFocusReason);
    deselect();
    end(false);
    insert(typed);
}

void ContactFilterBar::Cancel()
{
    clear();
    hide();
    emit LeftForList();
}

bool ContactFilterBar::ClaimEscape(QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride ||
        static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape)
        return false;
    event->accept();
    return true;
}

bool ContactFilterBar::event(QEvent* event)
{
    // Esc belongs to the field: it clears the filter.
    return ClaimEscape(event) || QLineEdit::event(event);
}

void ContactFilterBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        Cancel();
        return;
    }
    if (event->key() == Qt::Key_Down) {
        emit LeftForList();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace zep::contacts
