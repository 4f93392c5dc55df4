#include "conversations/pane_colours.h"

#include "ui/contrast.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <utility>
#include <vector>

namespace zep::conversations {

QColor WrittenColour(const QTextCharFormat& format)
{
    if (format.hasProperty(kWrittenColour))
        return format.colorProperty(kWrittenColour);
    if (format.foreground().style() == Qt::NoBrush)
        return {};
    return format.foreground().color();
}

QColor DrawnColour(const QColor& written, const QColor& base)
{
    return IsDarkBase(base) ? Readable(written, base) : written;
}

void SetWrittenColour(QTextCharFormat& format, const QColor& colour, const QColor& base)
{
    format.setProperty(kWrittenColour, colour);
    format.setForeground(DrawnColour(colour, base));
}

ReadableColours::ReadableColours(QTextDocument& document, const QColor& base)
    : QObject(&document), m_document(document), m_base(base)
{
    connect(&document, &QTextDocument::contentsChange, this,
            [this](int from, int, int added) { Redraw(from, from + added); });
}

void ReadableColours::SetBase(const QColor& base)
{
    if (base == m_base)
        return;
    m_base = base;
    Redraw(0, m_document.characterCount());
}

void ReadableColours::Redraw(int from, int to)
{
    if (m_redrawing)
        return;
    const bool dark = IsDarkBase(m_base);
    // The changes are gathered first: changing a format splits and merges the fragments.
    std::vector<std::pair<std::pair<int, int>, QTextCharFormat>> changes;
    for (QTextBlock block = m_document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = fragment.position();
            const int end = start + fragment.length();
            if (end <= from || start >= to)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            const bool marked = format.hasProperty(kWrittenColour);
            // On a light base a colour nobody changed is drawn as written already.
            if (format.foreground().style() == Qt::NoBrush || (!marked && !dark))
                continue;
            const QColor written = WrittenColour(format);
            const QColor drawn = DrawnColour(written, m_base);
            if (marked && format.foreground().color() == drawn)
                continue;
            QTextCharFormat change;
            SetWrittenColour(change, written, m_base);
            changes.push_back({{std::max(start, from), std::min(end, to)}, change});
        }
    }
    if (changes.empty())
        return;
    m_redrawing = true;
    QTextCursor cursor(&m_document);
    cursor.joinPreviousEditBlock();
    for (const auto& [range, change] : changes) {
        cursor.setPosition(range.first);
        cursor.setPosition(range.second, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(change);
    }
    cursor.endEditBlock();
    m_redrawing = false;
}

} // namespace zep::conversations
