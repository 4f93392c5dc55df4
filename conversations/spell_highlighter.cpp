#include "conversations/spell_highlighter.h"

#include "conversations/spell_checker.h"
#include "session/settings.h"
#include "ui/colour_scheme.h"

#include <QActionGroup>
#include <QApplication>
#include <QLocale>
#include <QMenu>
#include <QPointer>
#include <QTextBoundaryFinder>
#include <QTextEdit>

namespace zep::conversations {
namespace {

struct Word
{
    int start = -1;
    int length = 0;
};

// The words of `text` as the Unicode word boundaries see them: runs with at least one letter.
template <typename Visit> void ForEachWord(const QString& text, Visit visit)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    int start = 0;
    while (finder.toNextBoundary() >= 0) {
        const int end = finder.position();
        if (finder.boundaryReasons() & QTextBoundaryFinder::EndOfItem) {
            const QString word = text.mid(start, end - start);
            if (std::any_of(word.begin(), word.end(), [](QChar c) { return c.isLetter(); }))
                visit(Word{start, end - start});
        }
        start = end;
    }
}

QString LanguageName(const QString& tag)
{
    const QLocale locale(tag);
    const QString name = locale.nativeLanguageName();
    const QString territory = locale.nativeTerritoryName();
    if (name.isEmpty())
        return tag;
    return territory.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, territory);
}

} // namespace

SpellHighlighter::SpellHighlighter(QTextEdit& pane, SpellChecker& checker)
    : QSyntaxHighlighter(pane.document()), m_pane(pane), m_checker(checker)
{
}

void SpellHighlighter::highlightBlock(const QString& text)
{
    if (!m_checker.Available())
        return;
    QTextCharFormat wrong;
    wrong.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    // A brighter red where the pane is dark, so the thin wave still shows.
    wrong.setUnderlineColor(IsDarkPalette(QApplication::palette()) ? QColor(255, 110, 110)
                                                                   : QColor(Qt::red));
    ForEachWord(text, [&](Word w) {
        if (!m_checker.Check(text.mid(w.start, w.length)))
            setFormat(w.start, w.length, wrong);
    });
}

void SpellHighlighter::Recheck()
{
    rehighlight();
}

void SpellHighlighter::AddMenuEntries(QMenu& menu, int position)
{
    if (!m_checker.Available())
        return;
    QAction* first = menu.actions().isEmpty() ? nullptr : menu.actions().first();
    const auto insert = [&](QAction* action) { menu.insertAction(first, action); };
    QPointer<SpellHighlighter> self(this);

    const QTextBlock block = document()->findBlock(position);
    const int offset = position - block.position();
    Word found;
    ForEachWord(block.text(), [&](Word w) {
        if (offset >= w.start && offset <= w.start + w.length)
            found = w;
    });
    const QString word = found.start >= 0 ? block.text().mid(found.start, found.length) : QString();
    if (!word.isEmpty() && !m_checker.Check(word)) {
        const int from = block.position() + found.start;
        const QStringList suggestions = m_checker.Suggest(word, 5);
        for (const QString& suggestion : suggestions) {
            auto* action = new QAction(suggestion, &menu);
            QFont bold = action->font();
            bold.setBold(true);
            action->setFont(bold);
            connect(action, &QAction::triggered, this, [self, from, word, suggestion] {
                if (!self)
                    return;
                QTextCursor at(self->document());
                at.setPosition(from);
                at.setPosition(from + static_cast<int>(word.size()), QTextCursor::KeepAnchor);
                if (at.selectedText() == word)
                    at.insertText(suggestion);
            });
            insert(action);
        }
        using Accept = void (SpellChecker::*)(const QString&);
        const std::pair<QString, Accept> accepting[] = {
            {tr("Add to Dictionary"), &SpellChecker::Add}, {tr("Ignore"), &SpellChecker::Ignore}};
        for (const auto& [label, accept] : accepting) {
            auto* action = new QAction(label, &menu);
            connect(action, &QAction::triggered, this, [self, word, accept] {
                if (self) {
                    (self->m_checker.*accept)(word);
                    self->Recheck();
                }
            });
            insert(action);
        }
    }
    auto* languages = new QMenu(tr("Spelling Language"), &menu);
    auto* group = new QActionGroup(languages);
    for (const QString& tag : m_checker.Languages()) {
        QAction* action = languages->addAction(LanguageName(tag));
        action->setCheckable(true);
        action->setChecked(tag == m_checker.Language());
        action->setData(tag);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [self, tag] {
            if (self && self->m_checker.SetLanguage(tag)) {
                Settings().WriteText(setting::SpellLanguage, tag);
                self->Recheck();
            }
        });
    }
    insert(languages->menuAction());
    menu.insertSeparator(first);
}

} // namespace zep::conversations
