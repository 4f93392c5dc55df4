#include "conversations/rich_edit_ctrl_ex.h"

#include "conversations/links.h"
#include "conversations/pane_colours.h"
#include "conversations/rtf_reader.h"
#include "conversations/rtf_writer.h"
#include "conversations/spell_checker.h"
#include "conversations/spell_highlighter.h"
#include "ui/colour_scheme.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QToolTip>
#include <array>

namespace zep::conversations {
namespace {

// The forms in which other programs offer rich text as RTF.
constexpr std::array<const char*, 3> kRtfTypes = {"text/rtf", "text/richtext", "application/rtf"};

QByteArray RtfOf(const QMimeData& source)
{
    for (const char* type : kRtfTypes) {
        const QString name = QString::fromLatin1(type);
        if (source.hasFormat(name))
            return source.data(name);
    }
    return {};
}

// Rich text from HTML without its pictures: the fragment is built with no resource provider and
// every embedded object is dropped, so nothing is ever fetched.
QTextDocumentFragment FragmentWithoutObjects(const QString& html)
{
    QTextDocument scratch;
    QTextCursor cursor(&scratch);
    cursor.insertFragment(QTextDocumentFragment::fromHtml(html));
    const QString object(QChar::ObjectReplacementCharacter);
    for (QTextCursor found = scratch.find(object); !found.isNull();
         found = scratch.find(object, found.selectionStart()))
        found.removeSelectedText();
    cursor.select(QTextCursor::Document);
    return cursor.selection();
}

void InsertLines(QTextCursor& cursor, const QString& text, const QTextCharFormat& format)
{
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock(cursor.blockFormat(), format);
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.isEmpty())
            cursor.insertText(line, format);
    }
}

} // namespace

CRichEditCtrlEx::CRichEditCtrlEx(QWidget* parent) : QTextEdit(parent)
{
    setTabChangesFocus(true);
    setAcceptRichText(true);
    m_colours = new ReadableColours(*document(), PaneBase(QApplication::palette()));
    // White with black text on a light desktop, as received text expects; the desktop's own
    // colours on a dark one, with the text's colours made readable on them.
    FollowPalette(*this, [this] {
        const QPalette desktop = QApplication::palette();
        QPalette colours = palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            colours.setColor(group, QPalette::Base, PaneBase(desktop));
            colours.setColor(group, QPalette::Text, PaneText(desktop));
        }
        setPalette(colours);
        m_colours->SetBase(PaneBase(desktop));
        if (m_spelling != nullptr)
            m_spelling->rehighlight();
    });
}

bool CRichEditCtrlEx::CanUndo() const
{
    return !isReadOnly() && document()->isUndoAvailable();
}

bool CRichEditCtrlEx::CanCut() const
{
    return !isReadOnly() && textCursor().hasSelection();
}

bool CRichEditCtrlEx::CanCopy() const
{
    return textCursor().hasSelection();
}

bool CRichEditCtrlEx::CanPaste() const
{
    if (isReadOnly())
        return false;
    const QMimeData* offered = QApplication::clipboard()->mimeData();
    return offered != nullptr && canInsertFromMimeData(offered);
}

bool CRichEditCtrlEx::CanDelete() const
{
    return CanCut();
}

bool CRichEditCtrlEx::CanSelectAll() const
{
    return !document()->isEmpty();
}

bool CRichEditCtrlEx::CanDo(EditCommand command) const
{
    switch (command) {
    case EditCommand::Undo:
        return CanUndo();
    case EditCommand::Cut:
        return CanCut();
    case EditCommand::Copy:
        return CanCopy();
    case EditCommand::Paste:
        return CanPaste();
    case EditCommand::Delete:
        return CanDelete();
    case EditCommand::SelectAll:
        return CanSelectAll();
    }
    return false;
}

bool CRichEditCtrlEx::Do(EditCommand command)
{
    if (!CanDo(command))
        return false;
    switch (command) {
    case EditCommand::Undo:
        undo();
        break;
    case EditCommand::Cut:
        cut();
        break;
    case EditCommand::Copy:
        copy();
        break;
    case EditCommand::Paste:
        paste();
        break;
    case EditCommand::Delete:
        textCursor().removeSelectedText();
        break;
    case EditCommand::SelectAll:
        selectAll();
        break;
    }
    return true;
}

QMenu* CRichEditCtrlEx::CreateEditMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    QPointer<CRichEditCtrlEx> self(this);
    const auto add = [&](const QString& text, EditCommand command) {
        QAction* action = menu->addAction(text);
        action->setData(static_cast<int>(command));
        action->setEnabled(CanDo(command));
        connect(action, &QAction::triggered, menu, [self, command] {
            if (self)
                self->Do(command);
        });
    };
    add(tr("Undo"), EditCommand::Undo);
    menu->addSeparator();
    add(tr("Cut"), EditCommand::Cut);
    add(tr("Copy"), EditCommand::Copy);
    add(tr("Paste"), EditCommand::Paste);
    add(tr("Delete"), EditCommand::Delete);
    menu->addSeparator();
    add(tr("Select All"), EditCommand::SelectAll);
    return menu;
}

void CRichEditCtrlEx::EnableSpellCheck(SpellChecker& checker)
{
    if (m_spelling == nullptr && checker.Available())
        m_spelling = new SpellHighlighter(*this, checker);
}

void CRichEditCtrlEx::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateEditMenu(this);
    if (m_spelling != nullptr)
        m_spelling->AddMenuEntries(*menu, cursorForPosition(event->pos()).position());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

QString CRichEditCtrlEx::SelectionPlainText() const
{
    return textCursor().selectedText();
}

std::string CRichEditCtrlEx::SelectionRtf() const
{
    return WriteRtf(textCursor());
}

int CRichEditCtrlEx::AppendRtf(const RtfDocument& rtf, const QTextCharFormat& base)
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    const int start = end.position();
    InsertRtf(end, rtf, base, &m_colours->Base());
    return start;
}

int CRichEditCtrlEx::AppendPlain(const QString& text, const QTextCharFormat& format, bool endLine)
{
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    const int start = end.position();
    InsertLines(end, text, format);
    if (endLine)
        end.insertBlock(end.blockFormat(), format);
    return start;
}

void CRichEditCtrlEx::IndentFrom(int from, qreal margin)
{
    const QTextBlock last = document()->lastBlock();
    for (QTextBlock block = document()->findBlock(from); block.isValid(); block = block.next()) {
        if (block == last && block.length() <= 1)
            break;
        QTextCursor at(block);
        QTextBlockFormat format = block.blockFormat();
        format.setLeftMargin(margin);
        at.setBlockFormat(format);
    }
}

bool CRichEditCtrlEx::LastLineHoldsText() const
{
    return document()->lastBlock().length() > 1;
}

void CRichEditCtrlEx::SetOpensLinks(bool opens)
{
    m_opensLinks = opens;
    setMouseTracking(opens);
    viewport()->setMouseTracking(opens);
}

void CRichEditCtrlEx::mouseMoveEvent(QMouseEvent* event)
{
    QTextEdit::mouseMoveEvent(event);
    if (!m_opensLinks)
        return;
    const QString link = anchorAt(event->position().toPoint());
    viewport()->setCursor(link.isEmpty() ? Qt::IBeamCursor : Qt::PointingHandCursor);
    if (!link.isEmpty())
        QToolTip::showText(event->globalPosition().toPoint(),
                           QUrl(link).toString(QUrl::PrettyDecoded), viewport());
}

void CRichEditCtrlEx::mousePressEvent(QMouseEvent* event)
{
    m_pressedLink = m_opensLinks && event->button() == Qt::LeftButton
                        ? anchorAt(event->position().toPoint())
                        : QString();
    QTextEdit::mousePressEvent(event);
}

void CRichEditCtrlEx::mouseReleaseEvent(QMouseEvent* event)
{
    QTextEdit::mouseReleaseEvent(event);
    const QString pressed = std::exchange(m_pressedLink, QString());
    // A click, not the end of a selection that started on the link.
    if (pressed.isEmpty() || anchorAt(event->position().toPoint()) != pressed ||
        textCursor().hasSelection())
        return;
    const QUrl url(pressed);
    if (IsMessageLink(url))
        QDesktopServices::openUrl(url);
}

void CRichEditCtrlEx::ScrollToEnd()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

bool CRichEditCtrlEx::canInsertFromMimeData(const QMimeData* source) const
{
    if (source == nullptr)
        return false;
    return !RtfOf(*source).isEmpty() || (acceptRichText() && source->hasHtml()) ||
           source->hasText();
}

void CRichEditCtrlEx::insertFromMimeData(const QMimeData* source)
{
    if (isReadOnly() || source == nullptr)
        return;
    QTextCursor cursor = textCursor();
    const QByteArray rtf = RtfOf(*source);
    if (acceptRichText() && !rtf.isEmpty()) {
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        InsertRtf(cursor, ParseRtf(std::string_view(rtf.constData(), rtf.size())),
                  currentCharFormat(), &m_colours->Base());
        cursor.endEditBlock();
    } else if (acceptRichText() && source->hasHtml()) {
        cursor.insertFragment(FragmentWithoutObjects(source->html()));
    } else if (source->hasText()) {
        cursor.insertText(source->text());
    } else {
        return;
    }
    setTextCursor(cursor);
    ensureCursorVisible();
}

QMimeData* CRichEditCtrlEx::createMimeDataFromSelection() const
{
    QMimeData* data = QTextEdit::createMimeDataFromSelection();
    const std::string rtf = WriteRtf(textCursor());
    data->setData(QStringLiteral("text/rtf"), QByteArray::fromStdString(rtf));
    return data;
}

} // namespace zep::conversations
