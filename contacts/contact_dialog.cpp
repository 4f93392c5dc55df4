#include "contacts/contact_dialog.h"

#include "contacts/contact_list_ctrl.h"
#include "contacts/modal_show.h"
#include "contacts/my_status_button.h"
#include "ui/dialog_units.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

namespace zep::contacts {
namespace {

// The dialog's template size, in dialog units.
constexpr int kWidthUnits = 264;
constexpr int kHeightUnits = 186;

} // namespace

CContactDialog::CContactDialog(const QString& title, unsigned helpContext,
                               std::unique_ptr<CContactDisplayList> rows, int okCommand,
                               int cancelCommand, QWidget* owner)
    : QDialog(nullptr), m_owner(owner), m_helpContext(helpContext), m_okCommand(okCommand),
      m_cancelCommand(cancelCommand),
      m_rows(rows ? std::move(rows) : std::make_unique<CContactDisplayList>()),
      m_banner(new CMyStatusButton(this)), m_list(new CContactListCtrl(this)),
      m_ok(new QPushButton(tr("OK"), this)), m_cancel(new QPushButton(tr("Cancel"), this)),
      m_help(new QPushButton(tr("Help"), this))
{
    setWindowTitle(title.isEmpty() ? tr("Invite Contact") : title);
    setModal(false);
    setWindowModality(Qt::WindowModal);
    setSizeGripEnabled(false);
    const QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    for (QWidget* w : {static_cast<QWidget*>(m_list), static_cast<QWidget*>(m_ok),
                       static_cast<QWidget*>(m_cancel), static_cast<QWidget*>(m_help)})
        w->setFont(font);
    m_banner->setFocusPolicy(Qt::NoFocus);
    m_list->setAccessibleName(title.isEmpty() ? tr("Contacts") : title);

    // The control shows a group's contacts only under its expanded header, so the picker adds
    // both headers and keeps them, and the placeholders they bring, out of sight.
    m_list->AddRow(ContactDisplayKind::OnlineHeader, 0, kOnlineLabel, nullptr, false);
    m_list->AddRow(ContactDisplayKind::OfflineHeader, 0, kOfflineLabel, nullptr, false);
    // Pickers show every row at the left edge; the control sorts them.
    for (const auto& row : *m_rows) {
        CContactDisplay copy = *row;
        copy.Indent = 0;
        m_list->AddDisplay(copy, false);
    }
    m_list->RefreshList();
    for (int i = 0; i < m_list->ItemCount(); ++i) {
        const ContactDisplayKind kind = m_list->GetRow(i)->Kind;
        m_list->setRowHidden(i, kind != ContactDisplayKind::InfoRow &&
                                    !m_list->GetRow(i)->IsContact());
    }

    m_ok->setEnabled(false);
    m_ok->setDefault(true);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateOk(); });
    connect(m_list, &CContactListCtrl::RowActivated, this, [this](const CContactDisplay* row) {
        if (row != nullptr && row->IsContact())
            accept();
    });
    connect(m_ok, &QPushButton::clicked, this, [this] { accept(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(m_help, &QPushButton::clicked, this,
            [this] { emit HelpRequested(kDialogHelpBase + m_helpContext); });

    resize(DialogUnitsToPixels(font, kWidthUnits, kHeightUnits));
    LayOut();
}

CContactDialog::~CContactDialog() = default;

std::vector<const CContactDisplay*> CContactDialog::VisibleRows() const
{
    std::vector<const CContactDisplay*> rows;
    for (int i = 0; i < m_list->ItemCount(); ++i) {
        if (!m_list->isRowHidden(i))
            rows.push_back(m_list->GetRow(i));
    }
    return rows;
}

bool CContactDialog::SelectRow(const std::u16string& label)
{
    for (int i = 0; i < m_list->ItemCount(); ++i) {
        if (!m_list->isRowHidden(i) && m_list->GetRow(i)->Label == label) {
            m_list->setCurrentIndex(m_list->model()->index(i, 0));
            return true;
        }
    }
    return false;
}

bool CContactDialog::Open()
{
    ShowModalTo(*this, m_owner);
    m_list->setFocus(Qt::OtherFocusReason);
    return isVisible();
}

void CContactDialog::SetLogo(const QPixmap& logo)
{
    m_banner->SetLogo(logo);
    LayOut();
}

void CContactDialog::accept()
{
    if (m_ok->isEnabled())
        Finish(true);
}

void CContactDialog::reject()
{
    Finish(false);
}

void CContactDialog::Finish(bool ok)
{
    if (m_finished)
        return;
    m_finished = true;
    m_chosen.reset();
    if (ok) {
        if (const CContactDisplay* row = m_list->GetSelected(); row != nullptr && row->IsContact())
            m_chosen = *row;
    }
    hide();
    if (m_owner) {
        m_owner->window()->raise();
        m_owner->window()->activateWindow();
    }
    emit Command(ok ? m_okCommand : m_cancelCommand);
}

void CContactDialog::UpdateOk()
{
    const CContactDisplay* row = m_list->GetSelected();
    m_ok->setEnabled(!m_finished && row != nullptr && row->IsContact());
}

void CContactDialog::LayOut()
{
    const int w = width();
    const int h = height();
    const int bannerHeight = m_banner->PreferredHeight();
    m_banner->setGeometry(0, 0, w, bannerHeight);

    QSize button = m_ok->sizeHint().expandedTo(m_cancel->sizeHint()).expandedTo(m_help->sizeHint());
    const int listBottom = std::max(bannerHeight, h - 20 - button.height());
    m_list->setGeometry(0, bannerHeight, w, listBottom - bannerHeight);

    const int y = h - 10 - button.height();
    int x = w - 6 - button.width();
    m_help->setGeometry(QRect(QPoint(x, y), button));
    x -= 6 + button.width();
    m_cancel->setGeometry(QRect(QPoint(x, y), button));
    x -= 6 + button.width();
    m_ok->setGeometry(QRect(QPoint(x, y), button));
}

void CContactDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOut();
}

void CContactDialog::closeEvent(QCloseEvent* event)
{
    Finish(false);
    event->accept();
}

void CContactDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        emit HelpRequested(kDialogHelpBase + m_helpContext);
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace zep::contacts
