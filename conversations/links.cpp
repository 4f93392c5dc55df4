#include "conversations/links.h"

#include <QGuiApplication>
#include <QPalette>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

namespace zep::conversations {

std::vector<LinkSpan> FindLinks(const QString& text)
{
    static const QRegularExpression candidate(
        QStringLiteral(R"((?<![\w@.])(?:https?://|mailto:)[^\s<>"]+)"),
        QRegularExpression::CaseInsensitiveOption);
    std::vector<LinkSpan> out;
    for (auto it = candidate.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString link = m.captured();
        // "(see http://x/a)." ends at the address; a bracket the address opened stays.
        while (!link.isEmpty()) {
            const QChar last = link.back();
            if (QStringLiteral(".,;:!?'").contains(last) ||
                (last == u')' && link.count(u'(') < link.count(u')')) ||
                (last == u']' && link.count(u'[') < link.count(u']')))
                link.chop(1);
            else
                break;
        }
        const QUrl url(link, QUrl::StrictMode);
        if (IsMessageLink(url))
            out.push_back(
                {static_cast<int>(m.capturedStart()), static_cast<int>(link.size()), url});
    }
    return out;
}

bool IsMessageLink(const QUrl& url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == u"mailto")
        return !url.path().isEmpty();
    return (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

void MarkLinks(QTextDocument& document, int from)
{
    QTextCursor range(&document);
    range.setPosition(from);
    range.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    // The document's text in that range: paragraphs end with U+2029, one position each.
    const QString text = range.selectedText();
    for (const LinkSpan& link : FindLinks(text)) {
        QTextCursor span(&document);
        span.setPosition(from + link.start);
        span.setPosition(from + link.start + link.length, QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorHref(link.url.toString(QUrl::FullyEncoded));
        anchor.setFontUnderline(true);
        anchor.setForeground(QGuiApplication::palette().color(QPalette::Link));
        anchor.setToolTip(link.url.toString());
        span.mergeCharFormat(anchor);
    }
}

} // namespace zep::conversations
