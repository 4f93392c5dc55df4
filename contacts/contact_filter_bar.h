// The search field above the contact list: hidden until the user asks for it (Ctrl+F, or a
// name typed into the list), it filters the list as the text changes.
#pragma once

#include <QLineEdit>

namespace zep::contacts {

class ContactFilterBar : public QLineEdit
{
    Q_OBJECT
public:
    explicit ContactFilterBar(QWidget* parent = nullptr);

    // Shows the field with the focus, its text selected for a new search.
    void Open();
    // Shows the field with `typed` added to its text, the cursor at the end.
    void Continue(const QString& typed);
    // Esc: clears the field, hides it and hands back to the list.
    void Cancel();
    // Takes Esc as a key for the widget, before the window's Esc (which hides the window): true
    // when `event` is that key's shortcut override.
    static bool ClaimEscape(QEvent* event);

signals:
    // The text to filter by, trimmed; empty shows every contact.
    void FilterChanged(const QString& text);
    // Enter: open the first match.
    void Accepted();
    // Esc (or the Down key, which keeps the filter): back to the list. Esc has cleared the
    // field and hidden it first.
    void LeftForList();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace zep::contacts
