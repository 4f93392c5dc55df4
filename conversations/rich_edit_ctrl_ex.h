// The text pane of the conversation and offline message windows: its own editing menu, the
// enabling rules of the Edit commands, Tab that leaves the pane, and streaming of text in RTF
// and plain form. Text put in by the host always goes to the end through a cursor of its own,
// so the user's caret and selection stay where they are.
#pragma once

#include <QTextCharFormat>
#include <QTextEdit>
#include <string>

class QMenu;

namespace zep::conversations {

struct RtfDocument;

// The Edit commands, numbered as the hosts' menus know them.
enum class EditCommand : int
{
    Undo = 57643,
    Cut = 57635,
    Copy = 57634,
    Paste = 57637,
    Delete = 186,
    SelectAll = 57642,
};

class ReadableColours;
class SpellChecker;
class SpellHighlighter;

class CRichEditCtrlEx : public QTextEdit
{
    Q_OBJECT
public:
    explicit CRichEditCtrlEx(QWidget* parent = nullptr);

    bool CanUndo() const;
    bool CanCut() const;
    bool CanCopy() const;
    bool CanPaste() const;
    bool CanDelete() const;
    bool CanSelectAll() const;
    bool CanDo(EditCommand command) const;
    // Carries the command out when it is enabled; false when it is not.
    bool Do(EditCommand command);

    // The right-button menu as it would open now ("Undo", "-", "Cut", "Copy", "Paste",
    // "Delete", "-", "Select All"); each action's data is its command number.
    QMenu* CreateEditMenu(QWidget* parent);

    QString SelectionPlainText() const;
    std::string SelectionRtf() const;

    // Appends at the end of the document; the result is the position where the text starts.
    int AppendRtf(const RtfDocument& document, const QTextCharFormat& base);
    // "\n" separates lines; a line break is added after the last line when `endLine` is set.
    int AppendPlain(const QString& text, const QTextCharFormat& format, bool endLine = true);
    // Sets the left margin of every paragraph from `from` to the end, the empty last one aside.
    void IndentFrom(int from, qreal margin);
    // Whether the last paragraph holds text (what is appended next would share its line).
    bool LastLineHoldsText() const;
    void ScrollToEnd();
    // Underlines misspelled words and offers the spelling entries in the context menu, while
    // `checker` has a dictionary.
    void EnableSpellCheck(SpellChecker& checker);
    SpellHighlighter* Spelling() const { return m_spelling; }
    // Room above the text for a bar laid over the pane's top edge.
    void SetTopRoom(int height) { setViewportMargins(0, height, 0, 0); }
    // A read-only pane whose links open with the desktop's handler on a click.
    void SetOpensLinks(bool opens);
    // Keeps the text's colours readable on the pane (see pane_colours.h).
    ReadableColours& Colours() const { return *m_colours; }

protected:
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    ReadableColours* m_colours = nullptr;
    bool m_opensLinks = false;
    QString m_pressedLink; // the link under the press, opened if the release is on it too
    SpellHighlighter* m_spelling = nullptr;
};

} // namespace zep::conversations
