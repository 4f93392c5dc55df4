#include "contacts/blocked_contacts_window.h"

#include "contacts/add_contact_sheet.h"
#include "contacts/block_list.h"
#include "contacts/contact_list_ctrl.h"
#include "contacts/modal_show.h"
#include "ui/dialog_units.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace zep::contacts {
namespace {

// The window's size, in dialog units.
constexpr int kWidthUnits = 264;
constexpr int kHeightUnits = 186;

QString Q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

} // namespace

CBlockedContactsWindow::CBlockedContactsWindow(AddContactHost& host, QWidget* owner)
    : QDialog(nullptr), m_host(host), m_owner(owner), m_logo(new QLabel(this)),
      m_list(new CContactListCtrl(this)), m_unblock(new QPushButton(tr("&Unblock"), this)),
      m_close(new QPushButton(tr("Close"), this))
{
    setWindowTitle(tr("Blocked Contacts"));
    setModal(false);
    setWindowModality(Qt::WindowModal);
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    setFont(font);

    auto* caption = new QLabel(tr("You receive no messages from these users."), this);
    caption->setWordWrap(true);
    caption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_logo->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_logo->setAccessibleName(tr("Logo"));
    // One flat, sorted list: no group headers, no placeholders.
    m_list->SetFlat(true);
    m_list->setAccessibleName(windowTitle());
    caption->setBuddy(m_list);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_unblock);
    buttons->addWidget(m_close);
    auto* grid = new QGridLayout(this);
    grid->addWidget(caption, 0, 0, Qt::AlignTop);
    grid->addWidget(m_logo, 0, 1, Qt::AlignRight | Qt::AlignTop);
    grid->addWidget(m_list, 1, 0, 1, 2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    grid->setRowStretch(1, 1);

    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateButtons(); });
    connect(m_list, &CContactListCtrl::RowActivated, this, [this](const CContactDisplay* row) {
        if (row != nullptr && row->IsContact())
            Unblock();
    });
    connect(m_unblock, &QPushButton::clicked, this, [this] { Unblock(); });
    connect(m_close, &QPushButton::clicked, this, [this] { reject(); });

    resize(DialogUnitsToPixels(font, kWidthUnits, kHeightUnits));
    UpdateButtons();
}

CBlockedContactsWindow::~CBlockedContactsWindow() = default;

bool CBlockedContactsWindow::Open()
{
    if (m_ended)
        return false;
    ShowModalTo(*this, m_owner);
    m_list->setFocus(Qt::OtherFocusReason);
    Fetch();
    return isVisible();
}

void CBlockedContactsWindow::SetLogo(const QPixmap& logo)
{
    m_logo->setPixmap(logo);
}

bool CBlockedContactsWindow::SelectUser(const std::u16string& email)
{
    for (int i = 0; i < m_list->ItemCount(); ++i) {
        const CContactDisplay* row = m_list->GetRow(i);
        if (row->IsContact() && EqualNoCase(row->Contact.email, email)) {
            m_list->setCurrentIndex(m_list->model()->index(i, 0));
            return true;
        }
    }
    return false;
}

void CBlockedContactsWindow::Fetch()
{
    m_listing = true;
    UpdateButtons();
    m_host.ListBlocked(this, [this](ImResult result, std::vector<ContactRecord> blocked) {
        OnList(result, blocked);
    });
}

void CBlockedContactsWindow::OnList(ImResult result, const std::vector<ContactRecord>& blocked)
{
    m_listing = false;
    m_list->Clear();
    for (const CContactDisplay& row : BlockedRows(result, blocked))
        m_list->AddDisplay(row, false);
    m_list->RefreshList();
    UpdateButtons();
}

void CBlockedContactsWindow::Unblock()
{
    const CContactDisplay* row = m_list->GetSelected();
    if (m_ended || Busy() || row == nullptr || !row->IsContact())
        return;
    const ContactRecord user = row->Contact;
    m_unblocking = true;
    UpdateButtons();
    m_host.UnblockContact(user, this, [this, user](ImResult result) { OnUnblocked(user, result); });
}

void CBlockedContactsWindow::OnUnblocked(const ContactRecord& user, ImResult result)
{
    m_unblocking = false;
    if (result != ImResult::Ok) {
        UpdateButtons();
        OpenBox(QMessageBox::Warning, tr("Failed to unblock '%1'.").arg(Q(user.name)),
                QMessageBox::Ok);
        return;
    }
    // The server's list, not a guess: it may have changed meanwhile.
    Fetch();
    OfferToAdd(user);
}

void CBlockedContactsWindow::OfferToAdd(const ContactRecord& user)
{
    QMessageBox* box = OpenBox(QMessageBox::Question,
                               tr("'%1' is no longer blocked. Do you want to add '%1' to your "
                                  "contact list?")
                                   .arg(Q(user.name)),
                               QMessageBox::Yes | QMessageBox::No);
    box->setObjectName(QStringLiteral("AddBack"));
    box->setDefaultButton(QMessageBox::Yes);
    connect(box, &QMessageBox::finished, this, [this, box, user](int) {
        if (box->result() != QMessageBox::Yes || m_ended)
            return;
        m_host.AddContact(user, this,
                          [this, user](AddContactOutcome outcome) { OnAdded(user, outcome); });
    });
}

void CBlockedContactsWindow::OnAdded(const ContactRecord& user, AddContactOutcome outcome)
{
    // The new row in the main list says it all; anything else is told.
    if (outcome == AddContactOutcome::Added)
        return;
    OpenBox(outcome == AddContactOutcome::AlreadyAdded ? QMessageBox::Information
                                                       : QMessageBox::Warning,
            OutcomeSentence(outcome, user.name), QMessageBox::Ok);
}

QMessageBox* CBlockedContactsWindow::OpenBox(QMessageBox::Icon icon, const QString& text,
                                             QMessageBox::StandardButtons buttons)
{
    auto* box = new QMessageBox(icon, tr("ZEP Instant Messenger"), text, buttons, this);
    box->setTextFormat(Qt::PlainText); // names from the server are shown as they are
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
    emit BoxShown(box);
    return box;
}

void CBlockedContactsWindow::UpdateButtons()
{
    const CContactDisplay* row = m_list->GetSelected();
    m_unblock->setEnabled(!Busy() && row != nullptr && row->IsContact());
    m_list->setEnabled(!m_listing);
}

void CBlockedContactsWindow::reject()
{
    End();
}

void CBlockedContactsWindow::closeEvent(QCloseEvent* event)
{
    End();
    event->accept();
}

void CBlockedContactsWindow::End()
{
    if (m_ended)
        return;
    m_ended = true;
    hide();
    if (m_owner) {
        m_owner->window()->raise();
        m_owner->window()->activateWindow();
    }
    emit Finished();
}

} // namespace zep::contacts
