// The colours of the text in a pane. A colour that a sender or the user chose is kept as it was
// written (kWrittenColour) and drawn readable on the pane's base: on a dark base a colour too
// close to it is made lighter; on a light base every colour is drawn as written. Text without a
// colour takes the pane's text colour. What is sent and kept is always the written colour.
#pragma once

#include <QColor>
#include <QObject>
#include <QTextFormat>

class QTextCharFormat;
class QTextDocument;

namespace zep::conversations {

inline constexpr int kWrittenColour = QTextFormat::UserProperty + 40;

// The colour to write out: the written one when the format has it, else its foreground;
// invalid when the format has no colour.
QColor WrittenColour(const QTextCharFormat& format);
// `format` written in `colour`, drawn readable on `base`.
void SetWrittenColour(QTextCharFormat& format, const QColor& colour, const QColor& base);
// What is drawn for `written` on `base`.
QColor DrawnColour(const QColor& written, const QColor& base);

// Keeps the text of one document readable on its pane's base: text that comes in is drawn
// readable at once, and a new base redraws the whole document.
class ReadableColours : public QObject
{
    Q_OBJECT
public:
    ReadableColours(QTextDocument& document, const QColor& base);

    void SetBase(const QColor& base);
    const QColor& Base() const { return m_base; }

private:
    void Redraw(int from, int to);

    QTextDocument& m_document;
    QColor m_base;
    bool m_redrawing = false;
};

} // namespace zep::conversations
