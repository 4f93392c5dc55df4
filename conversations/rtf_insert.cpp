#include "conversations/rtf_reader.h"

#include "conversations/pane_colours.h"

#include <QColor>
#include <QFont>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

namespace zep::conversations {

namespace {

// What the run sets on top of the base: a plain run keeps the base as it is.
QTextCharFormat RunFormat(const RtfCharFormat& run, const QTextCharFormat& base,
                          const QColor* paneBase)
{
    QTextCharFormat format = base;
    if (!run.font.empty())
        format.setFontFamilies({QString::fromStdU16String(run.font)});
    if (run.halfPoints > 0)
        format.setFontPointSize(run.halfPoints / 2.0);
    if (run.bold)
        format.setFontWeight(QFont::Bold);
    if (run.italic)
        format.setFontItalic(true);
    if (run.underline)
        format.setFontUnderline(true);
    if (run.strike)
        format.setFontStrikeOut(true);
    if (run.colour) {
        const std::uint32_t rgb = *run.colour;
        const QColor colour(static_cast<int>((rgb >> 16) & 0xff),
                            static_cast<int>((rgb >> 8) & 0xff), static_cast<int>(rgb & 0xff));
        if (paneBase != nullptr)
            SetWrittenColour(format, colour, *paneBase);
        else
            format.setForeground(colour);
    }
    return format;
}

} // namespace

void InsertRtf(QTextCursor& cursor, const RtfDocument& document, const QTextCharFormat& base,
               const QColor* paneBase)
{
    cursor.beginEditBlock();
    const std::size_t count = document.paragraphs.size();
    for (std::size_t i = 0; i < count; ++i) {
        for (const RtfRun& run : document.paragraphs[i].runs) {
            if (!run.text.empty())
                cursor.insertText(QString::fromStdU16String(run.text),
                                  RunFormat(run.format, base, paneBase));
        }
        if (i + 1 < count || document.endsWithBreak)
            cursor.insertBlock(cursor.blockFormat(), base);
    }
    cursor.endEditBlock();
}

} // namespace zep::conversations
