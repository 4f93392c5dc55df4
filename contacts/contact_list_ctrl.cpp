#include "contacts/contact_list_ctrl.h"

#include "contacts/contact_filter_bar.h"
#include "contacts/plain_text.h"

#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>

namespace zep::contacts {

namespace {

constexpr int kIndentWidth = 16;
// The size of the tip buffer the list offers.
constexpr std::size_t kTipCapacity = 1024;

QString Q(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

// Draws each row moved right by its indent.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem moved(option);
        moved.rect.setLeft(moved.rect.left() +
                           index.data(ContactItemModel::IndentRole).toInt() * kIndentWidth);
        QStyledItemDelegate::paint(painter, moved, index);
    }
};

} // namespace

int ContactItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_engine.ShownCount();
}

QVariant ContactItemModel::data(const QModelIndex& index, int role) const
{
    const CContactDisplay* row = m_engine.ShownAt(index.row());
    if (row == nullptr)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Q(row->Label);
    case Qt::DecorationRole: {
        const ContactImage image = m_engine.ImageOf(*row);
        if (image == ContactImage::Contact && row->Kind == ContactDisplayKind::OfflineContact)
            return m_images.Unreachable();
        return m_images.Icon(image);
    }
    case IndentRole:
        return row->Indent;
    case Qt::FontRole:
        if (row->Kind == ContactDisplayKind::OnlineHeader ||
            row->Kind == ContactDisplayKind::OfflineHeader) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}

void ContactItemModel::RowChanged(int row)
{
    const QModelIndex at = index(row);
    emit dataChanged(at, at);
}

CContactListCtrl::CContactListCtrl(QWidget* parent)
    : QListView(parent), m_items(std::make_unique<ContactItemModel>(m_engine, m_images))
{
    m_engine.SetObserver(m_items.get());
    setModel(m_items.get());
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
    setIconSize(QSize(16, 16));
    setTextElideMode(Qt::ElideRight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The item view moves a removed row's selection to its neighbour; a contact whose row went
    // is no longer selected, until its row comes back in the same change.
    connect(m_items.get(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (m_followEmail.empty())
            return;
        selectionModel()->clear();
        QTimer::singleShot(0, this, [this] { m_followEmail.clear(); });
    });
}

void CContactListCtrl::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end)
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (!selected.isEmpty() && selected.first().row() >= start && selected.first().row() <= end) {
        const CContactDisplay* row = m_engine.ShownAt(selected.first().row());
        if (row != nullptr && row->IsContact())
            m_followEmail = row->Contact.email;
    }
    QListView::rowsAboutToBeRemoved(parent, start, end);
}

void CContactListCtrl::rowsInserted(const QModelIndex& parent, int start, int end)
{
    QListView::rowsInserted(parent, start, end);
    if (m_followEmail.empty())
        return;
    for (int i = start; i <= end; ++i) {
        const CContactDisplay* row = m_engine.ShownAt(i);
        if (row != nullptr && row->IsContact() &&
            CompareNoCase(row->Contact.email, m_followEmail) == 0) {
            m_followEmail.clear();
            setCurrentIndex(m_items->index(i));
            return;
        }
    }
}

CContactListCtrl::~CContactListCtrl()
{
    // The view lets go of the item model before the model and rows go.
    setModel(nullptr);
    m_engine.SetObserver(nullptr);
}

void CContactListCtrl::SetOwnRecord(const ContactRecord& own)
{
    m_dateFormat = own.dateFormat;
    m_engine.SetOwnAbilities(OwnAbilities::FromRecord(own));
}

bool CContactListCtrl::AddRow(ContactDisplayKind kind, int indent, const std::u16string& label,
                              const ContactRecord* record, bool refresh)
{
    return m_engine.AddRow(kind, indent, label, record, refresh);
}

bool CContactListCtrl::AddDisplay(const CContactDisplay& row, bool refresh)
{
    return m_engine.AddDisplay(row, refresh);
}

bool CContactListCtrl::UpdateContact(const std::u16string& email, const CContactDisplay& row)
{
    return m_engine.UpdateContact(email, row);
}

bool CContactListCtrl::RemoveContact(const std::u16string& email)
{
    return m_engine.RemoveContact(email);
}

bool CContactListCtrl::RemoveRow(const CContactDisplay* row)
{
    return m_engine.RemoveRow(row);
}

bool CContactListCtrl::RemoveKind(ContactDisplayKind kind)
{
    return m_engine.RemoveKind(kind);
}

bool CContactListCtrl::SetMailCount(int count)
{
    return m_engine.SetMailCount(count);
}

bool CContactListCtrl::Expand(ContactDisplayKind header)
{
    return m_engine.Expand(header);
}

bool CContactListCtrl::Collapse(ContactDisplayKind header)
{
    return m_engine.Collapse(header);
}

void CContactListCtrl::SetFilter(const QString& text)
{
    // Only a contact row is sure to outlive the change (placeholders come and go with it).
    const CContactDisplay* selected = GetSelected();
    if (selected != nullptr && !selected->IsContact())
        selected = nullptr;
    if (!m_engine.SetFilter(text.toStdU16String()))
        return;
    // The new sequence has no selection: the first match takes it, or once the filter is
    // gone, the contact that had it.
    const CContactDisplay* select = m_engine.Filtering() ? m_engine.FirstShownContact() : selected;
    if (const int at = m_engine.ShownIndexOf(select); at >= 0) {
        setCurrentIndex(m_items->index(at));
        scrollTo(m_items->index(at));
    } else {
        scrollToTop();
    }
}

bool CContactListCtrl::ActivateFirstMatch()
{
    const CContactDisplay* row = m_engine.FirstShownContact();
    if (row == nullptr)
        return false;
    emit RowActivated(row);
    return true;
}

const CContactDisplay* CContactListCtrl::GetSelected() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return nullptr;
    return m_engine.ShownAt(selected.first().row());
}

bool CContactListCtrl::LabelCutOff(int index) const
{
    const CContactDisplay* row = m_engine.ShownAt(index);
    if (row == nullptr)
        return false;
    const QRect rect = visualRect(m_items->index(index));
    QFont font = this->font();
    if (row->Kind == ContactDisplayKind::OnlineHeader ||
        row->Kind == ContactDisplayKind::OfflineHeader)
        font.setBold(true);
    const int room = rect.width() - row->Indent * kIndentWidth - iconSize().width() - 12;
    return QFontMetrics(font).horizontalAdvance(Q(row->Label)) > room;
}

QString CContactListCtrl::TipText(int index) const
{
    const CContactDisplay* row = m_engine.ShownAt(index);
    if (row == nullptr)
        return {};
    QString tip = Q(InfoTipText(*row, LabelCutOff(index), m_dateFormat, kTipCapacity, m_dateNames));
    // Tool tips break lines on "\n" alone.
    tip.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return PlainToolTip(tip);
}

bool CContactListCtrl::event(QEvent* event)
{
    // While filtered, Esc takes the filter away.
    if (m_engine.Filtering() && ContactFilterBar::ClaimEscape(event))
        return true;
    return QListView::event(event);
}

bool CContactListCtrl::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex at = indexAt(help->pos());
        const QString tip = at.isValid() ? TipText(at.row()) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(at));
        return true;
    }
    return QListView::viewportEvent(event);
}

void CContactListCtrl::Activate(int index)
{
    const CContactDisplay* row = m_engine.ShownAt(index);
    if (row == nullptr)
        return;
    if (IsHeader(*row)) {
        ToggleGroup(row->Kind);
        return;
    }
    emit RowActivated(row);
}

void CContactListCtrl::ToggleGroup(ContactDisplayKind header)
{
    if (!Expand(header))
        Collapse(header);
}

void CContactListCtrl::mouseReleaseEvent(QMouseEvent* event)
{
    // A single click toggles a group header; the second click of a double-click does not.
    const QModelIndex at = indexAt(event->position().toPoint());
    const bool toggle = at.isValid() && event->button() == Qt::LeftButton && !m_doubleClicked &&
                        m_engine.ShownAt(at.row()) != nullptr &&
                        IsHeader(*m_engine.ShownAt(at.row()));
    m_doubleClicked = false;
    QListView::mouseReleaseEvent(event);
    if (toggle)
        ToggleGroup(m_engine.ShownAt(at.row())->Kind);
}

void CContactListCtrl::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid() && event->button() == Qt::LeftButton) {
        m_doubleClicked = true;
        const CContactDisplay* row = m_engine.ShownAt(at.row());
        if (row != nullptr && !IsHeader(*row))
            emit RowActivated(row);
        return;
    }
    QListView::mouseDoubleClickEvent(event);
}

void CContactListCtrl::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        currentIndex().isValid()) {
        Activate(currentIndex().row());
        return;
    }
    if (event->key() == Qt::Key_Menu ||
        (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        OpenMenuOfSelected();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_engine.Filtering()) {
        emit FilterCancelled();
        return;
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        const CContactDisplay* row = GetSelected();
        if (row != nullptr && row->IsContact())
            emit DeleteRequested(row);
        return;
    }
    // Typing a name starts a filter instead of the view's jump to a matching row.
    const QString typed = event->text();
    if (!typed.isEmpty() && typed.at(0).isPrint() && !typed.at(0).isSpace() &&
        (event->modifiers() &
         ~(Qt::ShiftModifier | Qt::KeypadModifier | Qt::GroupSwitchModifier)) == 0) {
        emit FilterTyped(typed);
        return;
    }
    QListView::keyPressEvent(event);
}

void CContactListCtrl::OpenMenuOfSelected()
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    const CContactDisplay* row =
        selected.isEmpty() ? nullptr : m_engine.ShownAt(selected.first().row());
    if (row == nullptr || !row->IsContact())
        return;
    scrollTo(selected.first());
    const QRect at = visualRect(selected.first());
    emit ContactMenuRequested(row,
                              viewport()->mapToGlobal(QPoint(at.left() + 16, at.center().y())));
}

void CContactListCtrl::contextMenuEvent(QContextMenuEvent* event)
{
    if (event->reason() == QContextMenuEvent::Keyboard) {
        OpenMenuOfSelected();
        return;
    }
    const QModelIndex at = indexAt(viewport()->mapFromGlobal(event->globalPos()));
    const CContactDisplay* row = at.isValid() ? m_engine.ShownAt(at.row()) : nullptr;
    if (row == nullptr || !row->IsContact())
        return;
    setCurrentIndex(at);
    emit ContactMenuRequested(row, event->globalPos());
}

} // namespace zep::contacts
