// The account's conversation history in a window of its own: on the left the contacts talked
// with, each opening to its conversations by date; on the right the chosen conversation, read
// only; above, one search over every conversation. The shown conversation can be exported as
// plain text or HTML and deleted, alone or with everything else of its contact, each deletion
// after a question. Nothing here runs a nested event loop.
#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <utility>

class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QStackedWidget;
class QTextEdit;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace zep::history {
class Store;
}

namespace zep::conversations {

class ReadableColours;

class HistoryWindow : public QWidget
{
    Q_OBJECT
public:
    // The pause after the last key before the search runs, and how many hits it lists.
    static constexpr std::chrono::milliseconds kSearchDelay{200};
    static constexpr int kSearchLimit = 50;

    // The window over `store`: the one already open is brought to the front, otherwise a new
    // one is shown. `contact` (an address), when given, is chosen in the list. The window has
    // no parent, deletes itself when closed and closes when the store goes.
    static HistoryWindow* Open(history::Store& store, const QString& contact = {});

    explicit HistoryWindow(history::Store& store);

    // Chooses `contact` in the list: its conversations open and the newest is shown.
    void SelectContact(const QString& contact);
    // Shows a conversation in the pane (0: none); `entry`, when given, is selected and
    // scrolled to.
    void ShowConversation(std::int64_t conversation, std::int64_t entry = 0);
    std::int64_t Shown() const { return m_shown; }
    // The buttons: each opens its dialog or question and returns at once.
    void Export();
    void Delete();
    void DeleteContact();

private:
    void BuildControls();
    void Reload();
    QTreeWidgetItem* ContactItem(const QString& contact) const;
    void FillContact(QTreeWidgetItem* contactItem);
    void OnTreeChoice(QTreeWidgetItem* item);
    void OnSearchEdited(const QString& text);
    void RunSearch();
    void OnResultChosen(QListWidgetItem* item);
    bool WriteExport(const QString& file, std::int64_t conversation, bool html) const;
    void UpdateButtons();

    QPointer<history::Store> m_store;
    std::int64_t m_shown = 0;
    QString m_contact; // whose conversations "Delete All of This Contact" removes
    // Where each entry of the shown conversation stands in the pane.
    QHash<std::int64_t, std::pair<int, int>> m_spans;

    QLineEdit* m_search = nullptr;
    QTimer* m_searchTimer = nullptr;
    QStackedWidget* m_left = nullptr;
    QTreeWidget* m_contacts = nullptr;
    QListWidget* m_results = nullptr;
    QTextEdit* m_pane = nullptr;
    ReadableColours* m_colours = nullptr;
    QPushButton* m_export = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_deleteContact = nullptr;
};

} // namespace zep::conversations
