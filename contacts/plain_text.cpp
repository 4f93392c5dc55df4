#include "contacts/plain_text.h"

#include <QTextDocument>

namespace zep::contacts {

QString PlainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    // Spaces become non-breaking ones, so the tip keeps its lines as a plain one does.
    return Qt::convertFromPlainText(text, Qt::WhiteSpacePre);
}

} // namespace zep::contacts
