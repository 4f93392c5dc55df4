// Spelling of the text the user writes, through Enchant and the dictionaries the desktop has
// installed (hunspell). One checker per program, shared by every pane that checks. Without a
// dictionary it knows no words: Available() is false and nothing is checked or offered.
// UI thread only.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <sys/types.h>

// Enchant's dictionary, as its header names it.
struct str_enchant_dict;

namespace zep::conversations {

class SpellChecker
{
public:
    // The program's checker, in the language of the settings ("spelllanguage"), else the
    // interface's, else English, else the first installed.
    static SpellChecker& Shared();

    // `languages`: the dictionaries to offer, for tests ({} finds the installed ones).
    explicit SpellChecker(std::optional<QStringList> languages = std::nullopt);
    ~SpellChecker();
    SpellChecker(const SpellChecker&) = delete;
    SpellChecker& operator=(const SpellChecker&) = delete;

    bool Available() const { return m_dict != nullptr; }
    // The installed dictionaries' tags ("de_DE", "en_US"), sorted.
    QStringList Languages() const { return m_languages; }
    QString Language() const { return m_language; }
    // False when no dictionary of that tag is installed (the language stays as it was).
    bool SetLanguage(const QString& tag);

    // Whether `word` is spelled right; words with digits, and everything while no dictionary
    // is there, count as right.
    bool Check(const QString& word);
    // At most `count` suggestions for a misspelled word.
    QStringList Suggest(const QString& word, int count = 5);
    // Into the user's personal word list (kept by Enchant), or only for this run.
    void Add(const QString& word);
    void Ignore(const QString& word);
    // Counts up whenever what Check answers may have changed (language, added words).
    int Generation() const { return m_generation; }

private:
    struct Broker;
    // Into the personal list or the session's: `list` is the Enchant call.
    void Accept(const QString& word, void (*list)(::str_enchant_dict*, const char*, ssize_t));
    std::unique_ptr<Broker> m_broker;
    void* m_dict = nullptr;
    QStringList m_languages;
    QString m_language;
    QHash<QString, bool> m_known;
    int m_generation = 0;
};

// The language to start with: `stored` when installed, else the interface's (`interface`,
// e.g. "de_DE" or "de"), else English, else the first of `installed`; "" when none is.
QString ChooseSpellLanguage(const QStringList& installed, const QString& stored,
                            const QString& interface);

} // namespace zep::conversations
