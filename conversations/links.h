// Web and mail addresses in the text of shown messages: marked as links, opened with the
// desktop's handler on a click, shown as a tip on hovering. Only http, https and mailto are
// links; nothing is ever fetched by itself.
#pragma once

#include <QString>
#include <QUrl>
#include <vector>

class QTextDocument;

namespace zep::conversations {

struct LinkSpan
{
    int start = 0;
    int length = 0;
    QUrl url;
};

// The links in `text`, without the punctuation that ends a sentence around them.
std::vector<LinkSpan> FindLinks(const QString& text);
// Whether `url` may be opened from a message.
bool IsMessageLink(const QUrl& url);
// Marks the links of the document's text from `from` to its end as anchors.
void MarkLinks(QTextDocument& document, int from);

} // namespace zep::conversations
