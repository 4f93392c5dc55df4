// Unsent text of closed conversation windows, kept per account and contact for the rest of the
// run, so a conversation with that contact opens again with what the user had typed.
#pragma once

#include <QTextDocumentFragment>
#include <optional>
#include <string>

namespace zep::conversations {

// Keeps `draft` for the conversation of `own` with `contact` (an empty draft forgets it).
void KeepDraft(const std::u16string& own, const std::u16string& contact,
               const QTextDocumentFragment& draft);
// The kept draft, which is forgotten as it is taken.
std::optional<QTextDocumentFragment> TakeDraft(const std::u16string& own,
                                               const std::u16string& contact);

} // namespace zep::conversations
