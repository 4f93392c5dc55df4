#include "contacts/add_contact_sheet.h"

#include "contacts/add_contact_pages.h"
#include "contacts/contact_list_ctrl.h"
#include "contacts/modal_show.h"
#include "contacts/record_display.h"
#include "ui/dialog_units.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace zep::contacts {
namespace {

// Every page's template size, in dialog units.
constexpr int kPageWidthUnits = 279;
constexpr int kPageHeightUnits = 95;

QString Q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

QString OutcomeSentence(AddContactOutcome outcome, const std::u16string& name)
{
    switch (outcome) {
    case AddContactOutcome::Added:
        return CAddContactSheet::tr("'%1' has been successfully added to your contact list.")
            .arg(Q(name));
    case AddContactOutcome::AlreadyAdded:
        return CAddContactSheet::tr("'%1' has already been added to your contact list.")
            .arg(Q(name));
    case AddContactOutcome::Blocked:
        return CAddContactSheet::tr("'%1' is in your block list.").arg(Q(name));
    case AddContactOutcome::UnblockFailed:
        return CAddContactSheet::tr("Failed to unblock '%1'.").arg(Q(name));
    case AddContactOutcome::Failed:
        break;
    }
    return CAddContactSheet::tr("Failed to add '%1' to your contact list.").arg(Q(name));
}

CAddContactSheet::CAddContactSheet(AddContactHost& host, QWidget* owner)
    : QDialog(nullptr), m_host(host), m_owner(owner), m_pages(new QStackedWidget(this)),
      m_searchPage(new CAddContactSearchPage), m_listPage(new CAddContactListPage),
      m_finishPage(new CAddContactFinishPage), m_back(new QPushButton(tr("< &Back"), this)),
      m_next(new QPushButton(tr("&Next >"), this)), m_finish(new QPushButton(tr("Finish"), this)),
      m_cancel(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(tr("Add a contact"));
    setModal(false);
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(false);
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    setFont(font);

    m_pages->addWidget(m_searchPage);
    m_pages->addWidget(m_listPage);
    m_pages->addWidget(m_finishPage);
    m_pages->setMinimumSize(DialogUnitsToPixels(font, kPageWidthUnits, kPageHeightUnits));

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->setSpacing(0);
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addWidget(m_finish);
    buttons->addSpacing(6);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addWidget(line);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_back, &QPushButton::clicked, this, [this] { Back(); });
    connect(m_next, &QPushButton::clicked, this, [this] { Next(); });
    connect(m_finish, &QPushButton::clicked, this, [this] { FinishPressed(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_finishPage->UnblockButton(), &QPushButton::clicked, this,
            [this] { UnblockAndAdd(); });
    connect(SearchEdit(), &QLineEdit::textChanged, this, [this] { UpdateButtons(); });
    connect(Results()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateButtons(); });
    // A double-click (or Enter) on a match is its Next.
    connect(Results(), &CContactListCtrl::RowActivated, this, [this](const CContactDisplay* row) {
        if (row != nullptr && row->Kind == ContactDisplayKind::OnlineContact)
            Next();
    });

    ShowPage(Page::Search);
}

CAddContactSheet::~CAddContactSheet() = default;

QLineEdit* CAddContactSheet::SearchEdit() const
{
    return m_searchPage->Edit();
}

CContactListCtrl* CAddContactSheet::Results() const
{
    return m_listPage->List();
}

CAddContactSheet::Page CAddContactSheet::CurrentPage() const
{
    return static_cast<Page>(m_pages->currentIndex());
}

QString CAddContactSheet::Outcome() const
{
    return m_finishPage->Outcome();
}

bool CAddContactSheet::Open()
{
    if (m_ended)
        return false;
    ShowModalTo(*this, m_owner);
    SearchEdit()->setFocus(Qt::OtherFocusReason);
    return isVisible();
}

void CAddContactSheet::SetLogo(const QPixmap& logo)
{
    m_searchPage->SetLogo(logo);
    m_listPage->SetLogo(logo);
    m_finishPage->SetLogo(logo);
}

void CAddContactSheet::SetOwnRecord(const ContactRecord& own)
{
    Results()->SetOwnRecord(own);
}

bool CAddContactSheet::SelectResult(const std::u16string& label)
{
    CContactListCtrl* list = Results();
    for (int i = 0; i < list->ItemCount(); ++i) {
        if (list->GetRow(i)->Label == label) {
            list->setCurrentIndex(list->model()->index(i, 0));
            return true;
        }
    }
    return false;
}

void CAddContactSheet::Back()
{
    if (m_ended || !m_back->isEnabled() || CurrentPage() != Page::Results)
        return;
    // Whatever the directory still answers belongs to a search the user has left.
    ++m_generation;
    m_searching = false;
    ShowPage(Page::Search);
}

void CAddContactSheet::Next()
{
    if (m_ended || !m_next->isEnabled())
        return;
    if (CurrentPage() == Page::Search) {
        ShowPage(Page::Results);
        return;
    }
    if (CurrentPage() != Page::Results || m_adding)
        return;
    const CContactDisplay* row = Results()->GetSelected();
    if (row == nullptr || row->Kind != ContactDisplayKind::OnlineContact)
        return;
    m_chosen = row->Contact;
    // Everything is locked before the host is asked: it may answer at once.
    m_adding = true;
    UpdateButtons();
    m_host.AddContact(m_chosen, this, [this](AddContactOutcome outcome) { OnAddOutcome(outcome); });
}

void CAddContactSheet::UnblockAndAdd()
{
    if (m_ended || m_adding || CurrentPage() != Page::Finish ||
        m_outcome != AddContactOutcome::Blocked)
        return;
    m_adding = true;
    UpdateButtons();
    m_host.UnblockContact(m_chosen, this, [this](ImResult result) {
        if (m_ended)
            return;
        if (result != ImResult::Ok) {
            OnAddOutcome(AddContactOutcome::UnblockFailed);
            return;
        }
        m_host.AddContact(m_chosen, this,
                          [this](AddContactOutcome outcome) { OnAddOutcome(outcome); });
    });
}

void CAddContactSheet::FinishPressed()
{
    if (!m_ended && m_finish->isEnabled() && CurrentPage() == Page::Finish)
        End();
}

void CAddContactSheet::Cancel()
{
    End();
}

void CAddContactSheet::reject()
{
    // Escape on the finish page, where Cancel is disabled, does nothing.
    if (m_cancel->isEnabled())
        End();
}

void CAddContactSheet::closeEvent(QCloseEvent* event)
{
    End();
    event->accept();
}

void CAddContactSheet::ShowPage(Page page)
{
    m_pages->setCurrentIndex(static_cast<int>(page));
    switch (page) {
    case Page::Search:
        SearchEdit()->setFocus(Qt::OtherFocusReason);
        break;
    case Page::Results:
        StartSearch();
        break;
    case Page::Finish:
        break;
    }
    UpdateButtons();
}

void CAddContactSheet::UpdateButtons()
{
    const Page page = CurrentPage();
    const bool onFinish = page == Page::Finish;
    bool next = false;
    if (page == Page::Search) {
        next = !SearchEdit()->text().isEmpty();
    } else if (page == Page::Results && !m_adding) {
        const CContactDisplay* row = Results()->GetSelected();
        next = row != nullptr && row->Kind == ContactDisplayKind::OnlineContact;
    }
    m_back->setEnabled(page == Page::Results && !m_adding);
    m_next->setEnabled(next);
    m_next->setVisible(!onFinish);
    m_finish->setVisible(onFinish);
    m_finish->setEnabled(onFinish && !m_adding);
    QPushButton* unblock = m_finishPage->UnblockButton();
    unblock->setVisible(onFinish && m_outcome == AddContactOutcome::Blocked);
    unblock->setEnabled(!m_adding);
    m_cancel->setEnabled(!onFinish);
    // The choice stays put while it is being added.
    Results()->setEnabled(!m_adding);
    (onFinish ? m_finish : m_next)->setDefault(true);
}

void CAddContactSheet::StartSearch()
{
    Results()->Clear();
    const unsigned generation = ++m_generation;
    m_searching = true;
    m_host.SearchUsers(m_searchPage->Text(), this,
                       [this, generation](ImResult result, std::vector<ContactRecord> users) {
                           OnSearchReply(generation, result, std::move(users));
                       });
}

void CAddContactSheet::OnSearchReply(unsigned generation, ImResult result,
                                     std::vector<ContactRecord> users)
{
    if (m_ended || generation != m_generation || CurrentPage() != Page::Results)
        return;
    m_searching = false;
    CContactListCtrl* list = Results();
    if (result == ImResult::Ok) {
        const std::u16string own = m_host.OwnEmail();
        for (const ContactRecord& user : users) {
            if (EqualNoCase(user.email, own))
                continue;
            const ContactRecord record = user;
            list->AddRow(ContactDisplayKind::OnlineContact, 0, SearchResultLabel(record), &record,
                         false);
        }
        list->RefreshList();
    }
    if (list->ItemCount() == 0)
        list->AddRow(ContactDisplayKind::InfoRow, 0, kNoContactsFoundLabel, nullptr, false);
    UpdateButtons();
}

void CAddContactSheet::OnAddOutcome(AddContactOutcome outcome)
{
    // After a cancel the host finishes the add on its own; nobody reads the sentence.
    if (m_ended || !m_adding)
        return;
    m_adding = false;
    m_outcome = outcome;
    m_finishPage->SetOutcome(OutcomeSentence(outcome, m_chosen.name));
    ShowPage(Page::Finish);
}

void CAddContactSheet::End()
{
    if (m_ended)
        return;
    m_ended = true;
    ++m_generation;
    m_searching = false;
    hide();
    if (m_owner) {
        m_owner->window()->raise();
        m_owner->window()->activateWindow();
    }
    emit Finished();
}

} // namespace zep::contacts
