#include "conversations/spell_checker.h"

#include "session/settings.h"

#include <QLocale>
#include <algorithm>
#include <enchant.h>

namespace zep::conversations {

struct SpellChecker::Broker
{
    EnchantBroker* broker = enchant_broker_init();
    ~Broker()
    {
        if (broker != nullptr)
            enchant_broker_free(broker);
    }
};

namespace {

void CollectTag(const char* tag, const char*, const char*, const char*, void* data)
{
    static_cast<QStringList*>(data)->append(QString::fromUtf8(tag));
}

} // namespace

SpellChecker& SpellChecker::Shared()
{
    static SpellChecker checker;
    return checker;
}

SpellChecker::SpellChecker(std::optional<QStringList> languages)
    : m_broker(std::make_unique<Broker>())
{
    if (languages) {
        m_languages = *languages;
    } else if (m_broker->broker != nullptr) {
        enchant_broker_list_dicts(m_broker->broker, CollectTag, &m_languages);
        m_languages.removeDuplicates();
    }
    m_languages.sort();
    const QString first = ChooseSpellLanguage(
        m_languages, Settings().ReadText(setting::SpellLanguage), QLocale().name());
    if (!first.isEmpty())
        SetLanguage(first);
}

SpellChecker::~SpellChecker()
{
    if (m_dict != nullptr && m_broker->broker != nullptr)
        enchant_broker_free_dict(m_broker->broker, static_cast<EnchantDict*>(m_dict));
}

bool SpellChecker::SetLanguage(const QString& tag)
{
    if (m_broker->broker == nullptr || !m_languages.contains(tag))
        return false;
    EnchantDict* dict = enchant_broker_request_dict(m_broker->broker, tag.toUtf8().constData());
    if (dict == nullptr)
        return false;
    if (m_dict != nullptr)
        enchant_broker_free_dict(m_broker->broker, static_cast<EnchantDict*>(m_dict));
    m_dict = dict;
    m_language = tag;
    m_known.clear();
    ++m_generation;
    return true;
}

bool SpellChecker::Check(const QString& word)
{
    if (m_dict == nullptr || word.isEmpty() ||
        std::any_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); }))
        return true;
    const auto known = m_known.constFind(word);
    if (known != m_known.constEnd())
        return *known;
    const QByteArray utf8 = word.toUtf8();
    const bool right =
        enchant_dict_check(static_cast<EnchantDict*>(m_dict), utf8.constData(), utf8.size()) == 0;
    // Bounded: a long session of typing never grows it without end.
    if (m_known.size() > 20000)
        m_known.clear();
    m_known.insert(word, right);
    return right;
}

QStringList SpellChecker::Suggest(const QString& word, int count)
{
    QStringList out;
    if (m_dict == nullptr || word.isEmpty())
        return out;
    const QByteArray utf8 = word.toUtf8();
    size_t n = 0;
    char** list =
        enchant_dict_suggest(static_cast<EnchantDict*>(m_dict), utf8.constData(), utf8.size(), &n);
    for (size_t i = 0; i < n && out.size() < count; ++i)
        out << QString::fromUtf8(list[i]);
    if (list != nullptr)
        enchant_dict_free_string_list(static_cast<EnchantDict*>(m_dict), list);
    return out;
}

void SpellChecker::Add(const QString& word)
{
    Accept(word, &enchant_dict_add);
}

void SpellChecker::Ignore(const QString& word)
{
    Accept(word, &enchant_dict_add_to_session);
}

void SpellChecker::Accept(const QString& word, void (*list)(EnchantDict*, const char*, ssize_t))
{
    if (m_dict == nullptr || word.isEmpty())
        return;
    const QByteArray utf8 = word.toUtf8();
    list(static_cast<EnchantDict*>(m_dict), utf8.constData(), utf8.size());
    m_known.insert(word, true);
    ++m_generation;
}

QString ChooseSpellLanguage(const QStringList& installed, const QString& stored,
                            const QString& interface)
{
    if (installed.contains(stored))
        return stored;
    const auto firstWith = [&installed](const QString& language) -> QString {
        for (const QString& tag : installed)
            if (tag == language || tag.startsWith(language + u'_'))
                return tag;
        return {};
    };
    if (installed.contains(interface))
        return interface;
    for (const QString& language : {interface.section(u'_', 0, 0), QStringLiteral("en")}) {
        if (language.isEmpty())
            continue;
        if (language == QLatin1String("en") && installed.contains(QStringLiteral("en_US")))
            return QStringLiteral("en_US");
        if (const QString tag = firstWith(language); !tag.isEmpty())
            return tag;
    }
    return installed.isEmpty() ? QString() : installed.first();
}

} // namespace zep::conversations
