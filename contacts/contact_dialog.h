// The contact picker: one contact chosen from a prepared list (whom to invite, to block, to
// delete). Modeless and modal only to its owner window; it reports "OK" or "Cancel" by its
// command number and the owner, which deletes it later, reads the choice.
#pragma once

#include "contacts/contact_display.h"
#include "contacts/contact_display_list.h"

#include <QDialog>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

class QPushButton;

namespace zep::contacts {

class CContactListCtrl;
class CMyStatusButton;

// Command numbers of the pickers' owners.
namespace pickercmd {
inline constexpr int DeleteOk = 195;
inline constexpr int DeleteCancel = 196;
inline constexpr int InviteOk = 197;
inline constexpr int InviteCancel = 198;
inline constexpr int BlockOk = 199;
inline constexpr int BlockCancel = 200;
} // namespace pickercmd

// Help contexts of dialogs lie in their own range.
inline constexpr unsigned kDialogHelpBase = 0x20000;
// The picker's dialog resource, also its help context.
inline constexpr unsigned kContactDialogHelp = 171;

class CContactDialog : public QDialog
{
    Q_OBJECT
public:
    // No Qt parent: a window of its own, tied to `owner` only for modality and stacking.
    CContactDialog(const QString& title, unsigned helpContext,
                   std::unique_ptr<CContactDisplayList> rows, int okCommand, int cancelCommand,
                   QWidget* owner);
    ~CContactDialog() override;

    // Shows the dialog modal to the owner's window; false when it cannot be shown.
    bool Open();
    void SetLogo(const QPixmap& logo);

    // The contact row chosen with "OK"; none after "Cancel" or closing.
    const std::optional<CContactDisplay>& Chosen() const { return m_chosen; }
    bool Finished() const { return m_finished; }
    int OkCommand() const { return m_okCommand; }
    int CancelCommand() const { return m_cancelCommand; }
    unsigned HelpContext() const { return m_helpContext; }

    // The rows as the user sees them, in display order.
    std::vector<const CContactDisplay*> VisibleRows() const;
    // Selects the first visible row with this label; false when there is none.
    bool SelectRow(const std::u16string& label);

    CContactListCtrl* List() const { return m_list; }
    QPushButton* OkButton() const { return m_ok; }
    QPushButton* CancelButton() const { return m_cancel; }
    QPushButton* HelpButton() const { return m_help; }
    CMyStatusButton* Banner() const { return m_banner; }

    void accept() override;
    void reject() override;

signals:
    // OkCommand or CancelCommand, once. The owner may delete the dialog (deleteLater) in it.
    void Command(int command);
    // "Help" or F1: the help context in the dialog range.
    void HelpRequested(unsigned context);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Finish(bool ok);
    void UpdateOk();
    void LayOut();

    QPointer<QWidget> m_owner;
    unsigned m_helpContext;
    int m_okCommand;
    int m_cancelCommand;
    std::unique_ptr<CContactDisplayList> m_rows;
    std::optional<CContactDisplay> m_chosen;
    bool m_finished = false;
    CMyStatusButton* m_banner;
    CContactListCtrl* m_list;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    QPushButton* m_help;
};

} // namespace zep::contacts
