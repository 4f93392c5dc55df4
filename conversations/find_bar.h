// The find bar of a conversation's history: a field along the pane's top edge with next,
// previous and "Highlight all"; Enter finds the next match, Shift+Enter the previous one, Esc
// closes the bar and gives the keyboard back. Searching wraps around and ignores case.
#pragma once

#include <QWidget>

class QCheckBox;
class QLineEdit;
class QToolButton;

namespace zep::conversations {

class CRichEditCtrlEx;

class FindBar : public QWidget
{
    Q_OBJECT
public:
    // A child of `pane`, hidden until Open; while shown, the text starts below it.
    explicit FindBar(CRichEditCtrlEx& pane);

    void Open();
    // Selects the next (or previous) match after the pane's cursor; false when there is none.
    bool Find(bool backwards = false);
    QLineEdit* Field() const { return m_field; }
    QCheckBox* HighlightAllBox() const { return m_all; }
    // How many matches "Highlight all" marks now.
    int Highlighted() const;
    // Hides the bar and its marks.
    void Close();

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Place();
    void Highlight();

    CRichEditCtrlEx& m_pane;
    QLineEdit* m_field;
    QToolButton* m_previous;
    QToolButton* m_next;
    QCheckBox* m_all;
    QToolButton* m_close;
};

} // namespace zep::conversations
