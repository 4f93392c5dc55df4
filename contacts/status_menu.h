// The status menu shared by the banner and the notification-area menu, and the custom status
// dialog.
#pragma once

#include "contacts/own_status.h"

#include <QDialog>
#include <QMenu>

class QLineEdit;
class QPushButton;

namespace zep::contacts {

// Appends the status entries (the one matching the user's status checked), a separator and
// "Custom Status...". Each action's data is its command number.
void BuildStatusMenu(QMenu& menu, PresenceStatus status, SubStatus subStatus);

// The command number of a chosen action, or 0.
int MenuCommand(const QAction* action);

// "Custom Status": an edit box preset with the current text, and "Reset", "OK", "Cancel".
// Modeless; each button closes the dialog (deferred deletion) and reports its command
// (OK 191, Reset 192, Cancel 189).
class CCustomStatus : public QDialog
{
    Q_OBJECT
public:
    CCustomStatus(const QString& current, QWidget* parent = nullptr);

    QString Text() const;
    QLineEdit* Edit() const { return m_edit; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* ResetButton() const { return m_reset; }
    QPushButton* CancelButton() const { return m_cancel; }

    // Escape or the window's close: as "Cancel".
    void reject() override;

signals:
    void Command(int commandId, const QString& text);

private:
    void Finish(int commandId);

    QLineEdit* m_edit;
    QPushButton* m_reset;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    bool m_finished = false;
};

} // namespace zep::contacts
