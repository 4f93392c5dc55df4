// The "Blocked Contacts" window: the users in the block list, each of whom can be unblocked and
// then added back as a contact. A window of its own (no Qt parent), modal only to its owner's
// window; the owner deletes it later when it reports Finished.
#pragma once

#include "contacts/add_contact_host.h"
#include "protocol/contact_record.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>
#include <string>

class QLabel;
class QPushButton;

namespace zep::contacts {

class CContactListCtrl;

class CBlockedContactsWindow : public QDialog
{
    Q_OBJECT
public:
    // The host must outlive the window.
    CBlockedContactsWindow(AddContactHost& host, QWidget* owner);
    ~CBlockedContactsWindow() override;

    // Shows the window and fetches the block list; false when it cannot be shown.
    bool Open();
    void SetLogo(const QPixmap& logo);

    // Unblocks the selected user; on success offers to add it back as a contact.
    void Unblock();
    // Selects the user with this address; false when it is not shown.
    bool SelectUser(const std::u16string& email);

    // True from a request's start until its answer is shown.
    bool Busy() const { return m_listing || m_unblocking; }
    CContactListCtrl* List() const { return m_list; }
    QPushButton* UnblockButton() const { return m_unblock; }
    QPushButton* CloseButton() const { return m_close; }

    void reject() override;

signals:
    // Closed, once. The owner may deleteLater the window in it.
    void Finished();
    // A box the window opened (tests answer it).
    void BoxShown(QMessageBox* box);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Fetch();
    void OnList(ImResult result, const std::vector<ContactRecord>& blocked);
    void OnUnblocked(const ContactRecord& user, ImResult result);
    void OfferToAdd(const ContactRecord& user);
    void OnAdded(const ContactRecord& user, AddContactOutcome outcome);
    QMessageBox* OpenBox(QMessageBox::Icon icon, const QString& text,
                         QMessageBox::StandardButtons buttons);
    void UpdateButtons();
    void End();

    AddContactHost& m_host;
    QPointer<QWidget> m_owner;
    QLabel* m_logo;
    CContactListCtrl* m_list;
    QPushButton* m_unblock;
    QPushButton* m_close;
    bool m_listing = false;
    bool m_unblocking = false;
    bool m_ended = false;
};

} // namespace zep::contacts
