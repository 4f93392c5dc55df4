// The emoji picker of a conversation's input: a popup with a search field that matches the
// emoji's names, the groups as tabs (the recently used first), and the emoji; a click, or Enter
// in the search field, picks one. The emoji come from the Unicode data Debian ships
// (/usr/share/unicode/emoji/emoji-test.txt), else from a short built-in set.
#pragma once

#include "conversations/emoji_data.h"

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTabBar;

namespace zep::conversations {

class EmojiPicker : public QWidget
{
    Q_OBJECT
public:
    // A popup over `owner`'s window; it goes with it.
    explicit EmojiPicker(QWidget* owner);

    void OpenAt(const QPoint& globalTopLeft);
    QLineEdit* Search() const { return m_search; }
    QListWidget* List() const { return m_list; }

    // Every emoji offered, read once.
    static const std::vector<EmojiEntry>& All();
    // Read from `file`; the built-in set when it is missing or holds none.
    static std::vector<EmojiEntry> Load(const QString& file);
    // The recently picked ones, most recent first (kept in the settings).
    static QStringList Recent();

signals:
    void picked(const QString& emoji);

private:
    void Fill();
    void Pick(const QString& emoji);

    QLineEdit* m_search;
    QTabBar* m_groups;
    QListWidget* m_list;
};

} // namespace zep::conversations
