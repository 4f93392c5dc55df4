#include "conversations/find_bar.h"

#include "conversations/rich_edit_ctrl_ex.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>

namespace zep::conversations {

FindBar::FindBar(CRichEditCtrlEx& pane)
    : QWidget(&pane), m_pane(pane), m_field(new QLineEdit(this)), m_previous(new QToolButton(this)),
      m_next(new QToolButton(this)), m_all(new QCheckBox(tr("Highlight &all"), this)),
      m_close(new QToolButton(this))
{
    setObjectName(QStringLiteral("FindBar"));
    setAutoFillBackground(true);
    m_field->setPlaceholderText(tr("Find in conversation"));
    m_field->setAccessibleName(tr("Find in conversation"));
    m_field->setClearButtonEnabled(true);
    m_previous->setArrowType(Qt::UpArrow);
    m_previous->setToolTip(tr("Previous match (Shift+Enter)"));
    m_next->setArrowType(Qt::DownArrow);
    m_next->setToolTip(tr("Next match (Enter)"));
    m_close->setText(QStringLiteral("\u00d7"));
    m_close->setToolTip(tr("Close (Esc)"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(m_field, 1);
    row->addWidget(m_previous);
    row->addWidget(m_next);
    row->addWidget(m_all);
    row->addWidget(m_close);

    connect(m_field, &QLineEdit::textEdited, this, [this] {
        // Typing searches from where the last match began.
        QTextCursor at = m_pane.textCursor();
        at.setPosition(at.selectionStart());
        m_pane.setTextCursor(at);
        Find();
        Highlight();
    });
    m_field->installEventFilter(this);
    connect(m_previous, &QToolButton::clicked, this, [this] { Find(true); });
    connect(m_next, &QToolButton::clicked, this, [this] { Find(); });
    connect(m_all, &QCheckBox::toggled, this, &FindBar::Highlight);
    connect(m_close, &QToolButton::clicked, this, &FindBar::Close);
    pane.installEventFilter(this);
    hide();
}

void FindBar::Open()
{
    Place();
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
    Highlight();
}

bool FindBar::Find(bool backwards)
{
    const QString text = m_field->text();
    if (text.isEmpty())
        return false;
    const QTextDocument::FindFlags flags =
        backwards ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (m_pane.find(text, flags))
        return true;
    // Round the end (or the start) of the history.
    QTextCursor wrap = m_pane.textCursor();
    wrap.movePosition(backwards ? QTextCursor::End : QTextCursor::Start);
    m_pane.setTextCursor(wrap);
    return m_pane.find(text, flags);
}

int FindBar::Highlighted() const
{
    return static_cast<int>(m_pane.extraSelections().size());
}

void FindBar::Highlight()
{
    QList<QTextEdit::ExtraSelection> marks;
    const QString text = m_field->text();
    if (isVisible() && m_all->isChecked() && !text.isEmpty()) {
        QTextCharFormat look;
        look.setBackground(palette().color(QPalette::Highlight).lighter(160));
        for (QTextCursor at = m_pane.document()->find(text); !at.isNull();
             at = m_pane.document()->find(text, at))
            marks.append({at, look});
    }
    m_pane.setExtraSelections(marks);
}

void FindBar::Close()
{
    hide();
    m_pane.SetTopRoom(0);
    Highlight();
    emit closed();
}

void FindBar::Place()
{
    // Across the whole top edge, with the text moved down beneath it rather than covered.
    const int frame = m_pane.frameWidth();
    const int height = sizeHint().height();
    setGeometry(frame, frame, m_pane.width() - 2 * frame, height);
    m_pane.SetTopRoom(height);
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_pane && event->type() == QEvent::Resize && isVisible())
        Place();
    // Enter is the bar's own: it never reaches the window (where it would send).
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            Find(key->modifiers() & Qt::ShiftModifier);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        Close();
    else
        QWidget::keyPressEvent(event);
}

} // namespace zep::conversations
