// The add-contact wizard: search the server's user directory for an address, choose one of the
// matches, and read the outcome. One top-level window, modal only to its owner's window; the
// owner deletes it later when it reports Finished.
#pragma once

#include "contacts/add_contact_host.h"
#include "contacts/contact_display.h"
#include "protocol/contact_record.h"

#include <QDialog>
#include <QPointer>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace zep::contacts {

class CAddContactFinishPage;
class CAddContactListPage;
class CAddContactSearchPage;
class CContactListCtrl;

inline constexpr char16_t kNoContactsFoundLabel[] = u"No contacts found.";

// The finish page's sentence for the chosen user's name.
QString OutcomeSentence(AddContactOutcome outcome, const std::u16string& name);

class CAddContactSheet : public QDialog
{
    Q_OBJECT
public:
    enum class Page
    {
        Search = 0,
        Results = 1,
        Finish = 2,
    };

    // No Qt parent: a window of its own, tied to `owner` only for modality and stacking. The
    // host must outlive the sheet.
    CAddContactSheet(AddContactHost& host, QWidget* owner);
    ~CAddContactSheet() override;

    // Shows the search page modal to the owner's window; false when it cannot be shown.
    bool Open();
    void SetLogo(const QPixmap& logo);
    // The user's own record decides the images of offline matches, as in the main list.
    void SetOwnRecord(const ContactRecord& own);
    // The owner closes the wizard (the user logs off): as Cancel, on any page. An add that has
    // started goes on in the host.
    void Cancel();

    // The buttons' actions; each does nothing while its button is not enabled.
    void Back();
    void Next();
    void FinishPressed();
    // The finish page's offer for a user in the block list: unblock, then add as Next does.
    void UnblockAndAdd();

    Page CurrentPage() const;
    bool Ended() const { return m_ended; }
    bool Searching() const { return m_searching; }
    bool Adding() const { return m_adding; }
    QString Outcome() const;

    CAddContactSearchPage* SearchPage() const { return m_searchPage; }
    CAddContactListPage* ListPage() const { return m_listPage; }
    CAddContactFinishPage* FinishPage() const { return m_finishPage; }
    QLineEdit* SearchEdit() const;
    CContactListCtrl* Results() const;
    // Selects the shown result with this label; false when there is none.
    bool SelectResult(const std::u16string& label);
    QPushButton* BackButton() const { return m_back; }
    QPushButton* NextButton() const { return m_next; }
    QPushButton* FinishButton() const { return m_finish; }
    QPushButton* CancelButton() const { return m_cancel; }

    void reject() override;

signals:
    // Finish, Cancel, closing or Cancel(), once. The owner may deleteLater the sheet in it.
    void Finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowPage(Page page);
    void UpdateButtons();
    void StartSearch();
    void OnSearchReply(unsigned generation, ImResult result, std::vector<ContactRecord> users);
    void OnAddOutcome(AddContactOutcome outcome);
    void End();

    AddContactHost& m_host;
    QPointer<QWidget> m_owner;
    QStackedWidget* m_pages;
    CAddContactSearchPage* m_searchPage;
    CAddContactListPage* m_listPage;
    CAddContactFinishPage* m_finishPage;
    QPushButton* m_back;
    QPushButton* m_next;
    QPushButton* m_finish;
    QPushButton* m_cancel;
    // Each search gets a new number; a reply that carries an older one is not for this page.
    unsigned m_generation = 0;
    bool m_searching = false;
    bool m_adding = false;
    bool m_ended = false;
    ContactRecord m_chosen;
    std::optional<AddContactOutcome> m_outcome;
};

} // namespace zep::contacts
