#include "conversations/drafts.h"

#include <QHash>
#include <QString>

namespace zep::conversations {

namespace {

// Addresses compare without regard to case, as the server treats them.
QString Key(const std::u16string& own, const std::u16string& contact)
{
    return QString::fromStdU16String(own).toCaseFolded() + u'\n' +
           QString::fromStdU16String(contact).toCaseFolded();
}

// Only the UI thread opens and closes conversation windows.
QHash<QString, QTextDocumentFragment>& Kept()
{
    static QHash<QString, QTextDocumentFragment> kept;
    return kept;
}

} // namespace

void KeepDraft(const std::u16string& own, const std::u16string& contact,
               const QTextDocumentFragment& draft)
{
    if (draft.isEmpty() || draft.toPlainText().trimmed().isEmpty())
        Kept().remove(Key(own, contact));
    else
        Kept().insert(Key(own, contact), draft);
}

std::optional<QTextDocumentFragment> TakeDraft(const std::u16string& own,
                                               const std::u16string& contact)
{
    const auto found = Kept().constFind(Key(own, contact));
    if (found == Kept().constEnd())
        return std::nullopt;
    QTextDocumentFragment draft = *found;
    Kept().erase(found);
    return draft;
}

} // namespace zep::conversations
