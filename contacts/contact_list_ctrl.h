// The contact list control: a one-column list of the shown rows of the model, with indent,
// images, bold group headers and the details tip.
#pragma once

#include "contacts/contact_images.h"
#include "contacts/contact_list_engine.h"

#include <QListView>
#include <memory>

namespace zep::contacts {

class ContactItemModel;

class CContactListCtrl : public QListView
{
    Q_OBJECT
public:
    explicit CContactListCtrl(QWidget* parent = nullptr);
    ~CContactListCtrl() override;

    // False when an image could not be made; the view then fails its creation.
    bool Created() const { return m_images.Loaded(); }

    // The user's own record: what it allows decides images, its pattern formats tip times.
    void SetOwnRecord(const ContactRecord& own);

    bool AddRow(ContactDisplayKind kind, int indent, const std::u16string& label,
                const ContactRecord* record, bool refresh);
    bool AddDisplay(const CContactDisplay& row, bool refresh);
    bool UpdateContact(const std::u16string& email, const CContactDisplay& row);
    bool RemoveContact(const std::u16string& email);
    bool RemoveRow(const CContactDisplay* row);
    bool RemoveKind(ContactDisplayKind kind);
    bool SetMailCount(int count);
    bool Expand(ContactDisplayKind header);
    bool Collapse(ContactDisplayKind header);
    bool IsExpanded(ContactDisplayKind header) const { return m_engine.IsExpanded(header); }
    void RefreshList() { m_engine.RefreshList(); }
    // See ContactListEngine::SetFlat: only while the list is empty.
    bool SetFlat(bool flat) { return m_engine.SetFlat(flat); }
    // Deletes every row (the selection goes with them).
    void Clear() { m_engine.Clear(); }
    // Shows only the contacts that match (see ContactListEngine::SetFilter) and selects the
    // first of them, the one ActivateFirstMatch would open.
    void SetFilter(const QString& text);
    // Activates the first shown contact, as a double-click would; false when none is shown.
    bool ActivateFirstMatch();

    const CContactDisplay* GetSelected() const;
    const CContactDisplay* GetRow(int index) const { return m_engine.ShownAt(index); }
    int ItemCount() const { return m_engine.ShownCount(); }
    CContactDisplay* FindByEmail(const std::u16string& email) const
    {
        return m_engine.FindByEmail(email);
    }
    CContactDisplay* FindByKind(ContactDisplayKind kind) const { return m_engine.FindByKind(kind); }
    std::unique_ptr<CContactDisplayList> CopyContacts(bool includeOffline) const
    {
        return m_engine.CopyContacts(includeOffline);
    }
    const ContactListEngine& Engine() const { return m_engine; }
    const ContactImages& Images() const { return m_images; }

    // The text the info tip of a shown row would hold (empty for none).
    QString TipText(int index) const;
    // Whether the row's label is shown cut off at the current width.
    bool LabelCutOff(int index) const;

    void SetDateNames(const DateNameTexts& names) { m_dateNames = names; }

signals:
    // Double-click or Enter on a row that is not a group header (headers toggle here).
    void RowActivated(const zep::contacts::CContactDisplay* row);
    // Right button on a contact row, at the given screen position.
    void ContactMenuRequested(const zep::contacts::CContactDisplay* row, const QPoint& globalPos);
    // The Delete key on a selected contact row.
    void DeleteRequested(const zep::contacts::CContactDisplay* row);
    // Printable text typed while the list has the focus: the start of a filter.
    void FilterTyped(const QString& text);
    // Esc in the list while it is filtered: the filter should go.
    void FilterCancelled();

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;

private:
    void Activate(int index);
    // The context menu of the selected contact, opened by the keyboard.
    void OpenMenuOfSelected();
    void ToggleGroup(ContactDisplayKind header);
    static bool IsHeader(const CContactDisplay& row)
    {
        return row.Kind == ContactDisplayKind::OnlineHeader ||
               row.Kind == ContactDisplayKind::OfflineHeader;
    }

    ContactImages m_images;
    ContactListEngine m_engine;
    std::unique_ptr<ContactItemModel> m_items;
    std::u16string m_dateFormat;
    DateNameTexts m_dateNames;
    bool m_doubleClicked = false;
    // The selected contact while the list re-sorts: its row is taken out and put back in its
    // new place, and the selection goes with it (never to the row that took its place).
    std::u16string m_followEmail;
};

// The Qt item view of the engine's shown rows.
class ContactItemModel : public QAbstractListModel, public ShownRowsObserver
{
    Q_OBJECT
public:
    static constexpr int IndentRole = Qt::UserRole + 1;

    ContactItemModel(const ContactListEngine& engine, const ContactImages& images)
        : m_engine(engine), m_images(images)
    {
    }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void BeginInsertRows(int first, int last) override { beginInsertRows({}, first, last); }
    void EndInsertRows() override { endInsertRows(); }
    void BeginRemoveRows(int first, int last) override { beginRemoveRows({}, first, last); }
    void EndRemoveRows() override { endRemoveRows(); }
    void RowChanged(int row) override;
    void BeginReset() override { beginResetModel(); }
    void EndReset() override { endResetModel(); }

private:
    const ContactListEngine& m_engine;
    const ContactImages& m_images;
};

} // namespace zep::contacts
