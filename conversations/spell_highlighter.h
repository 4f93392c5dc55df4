// Misspelled words of a rich edit pane underlined with the desktop's spell-check underline, and
// the spelling part of the pane's context menu (suggestions, "Add to Dictionary", "Ignore",
// "Spelling Language"). Formats are overlaid, never written into the document: what is sent
// keeps the user's own formatting.
#pragma once

#include <QSyntaxHighlighter>

class QMenu;
class QTextEdit;

namespace zep::conversations {

class SpellChecker;

class SpellHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT
public:
    SpellHighlighter(QTextEdit& pane, SpellChecker& checker);

    // Adds the spelling entries for the word at `position` (a position in the document) to the
    // top of `menu`; nothing while no dictionary is there.
    void AddMenuEntries(QMenu& menu, int position);
    // Checks again after a change of the language or the word lists.
    void Recheck();

protected:
    void highlightBlock(const QString& text) override;

private:
    QTextEdit& m_pane;
    SpellChecker& m_checker;
};

} // namespace zep::conversations
