#include "protocol/vocabulary.h"

#include <array>
#include <cctype>

namespace zep {

namespace {

struct Entry
{
    int value;
    std::string_view word;
    int textId; // 0: no display text
};

constexpr std::array<Entry, 2> kStatus{{{0, "AVAILABLE", 61221}, {1, "UNAVAILABLE", 61222}}};

constexpr std::array<Entry, 7> kSubStatus{{{0, "", 0},
                                           {1, "TA", 61218},
                                           {2, "XA", 61219},
                                           {3, "DND", 61216},
                                           {4, "PHONE", 61215},
                                           {5, "LUNCH", 61220},
                                           {6, "MEETING", 61217}}};

// The display texts of values 2 to 10 are consecutive: id 61226 + value.
constexpr std::array<Entry, 11> kContactMethod{{{0, "", 0},
                                                {1, "EMAIL", 61223},
                                                {2, "HOMESMS", 61228},
                                                {3, "WORKSMS", 61229},
                                                {4, "WORKPAGER", 61230},
                                                {5, "HOMEPHONE", 61231},
                                                {6, "WORKPHONE", 61232},
                                                {7, "HOMEMOBILE", 61233},
                                                {8, "WORKMOBILE", 61234},
                                                {9, "HOMEFAX", 61235},
                                                {10, "WORKFAX", 61236}}};

constexpr std::array<Entry, 2> kListType{{{1, "CONTACT", 0}, {2, "BLOCKED", 0}}};
constexpr std::array<Entry, 2> kClientType{{{0, "IM", 0}, {1, "WEBMAIL", 0}}};
constexpr std::array<Entry, 3> kEmailState{{{0, "", 0}, {1, "ON", 0}, {2, "OFF", 0}}};

struct Text
{
    int id;
    std::string_view text;
};

constexpr std::array<Text, 23> kTexts{{
    {61214, "My Status"},
    {61215, "Phone"},
    {61216, "Do not disturb"},
    {61217, "Meeting"},
    {61218, "Back soon"},
    {61219, "Away"},
    {61220, "Lunch"},
    {61221, "Online"},
    {61222, "Offline"},
    {61223, "Email"},
    {61227, "Contact By"},
    {61228, "Home SMS"},
    {61229, "Work SMS"},
    {61230, "Work Pager"},
    {61231, "Home Tel"},
    {61232, "Work Tel"},
    {61233, "Home Mobile"},
    {61234, "Work Mobile"},
    {61235, "Home Fax"},
    {61236, "Work Fax"},
    {61237, "Location"},
    {61238, "Custom Status"},
    {61262, "Custom Status..."},
}};

// UTF-16 words are compared against the ASCII table; a non-ASCII character never matches.
template <typename Char>
bool Equal(std::basic_string_view<Char> a, std::string_view b, bool ignoreCase)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto c = static_cast<unsigned long>(static_cast<std::make_unsigned_t<Char>>(a[i]));
        if (c > 0x7f)
            return false;
        char x = static_cast<char>(c);
        char y = b[i];
        if (ignoreCase) {
            x = static_cast<char>(std::toupper(static_cast<unsigned char>(x)));
            y = static_cast<char>(std::toupper(static_cast<unsigned char>(y)));
        }
        if (x != y)
            return false;
    }
    return true;
}

template <typename Char, std::size_t N>
const Entry* FindWord(const std::array<Entry, N>& table, std::basic_string_view<Char> word,
                      bool ignoreCase)
{
    for (const Entry& e : table)
        if (Equal(word, e.word, ignoreCase))
            return &e;
    return nullptr;
}

template <std::size_t N> const Entry* FindValue(const std::array<Entry, N>& table, int value)
{
    for (const Entry& e : table)
        if (e.value == value)
            return &e;
    return nullptr;
}

template <typename Enum, typename Char, std::size_t N>
ImResult FromWord(const std::array<Entry, N>& table, std::basic_string_view<Char> word,
                  bool ignoreCase, Enum fallback, Enum& out)
{
    if (const Entry* e = FindWord(table, word, ignoreCase)) {
        out = static_cast<Enum>(e->value);
        return ImResult::Ok;
    }
    out = fallback;
    return ImResult::NotFound;
}

template <typename Enum, std::size_t N>
ImResult ToWord(const std::array<Entry, N>& table, Enum value, std::string& out)
{
    if (const Entry* e = FindValue(table, static_cast<int>(value))) {
        out = std::string(e->word);
        return ImResult::Ok;
    }
    out.clear();
    return ImResult::NotFound;
}

template <std::size_t N>
std::string WordToDisplay(const std::array<Entry, N>& table, std::string_view word, bool ignoreCase)
{
    const Entry* e = FindWord(table, word, ignoreCase);
    return e && e->textId ? VocabularyText(e->textId) : std::string();
}

template <std::size_t N>
std::string DisplayToWord(const std::array<Entry, N>& table, std::string_view text)
{
    for (const Entry& e : table)
        if (e.textId && VocabularyText(e.textId) == text)
            return std::string(e.word);
    return {};
}

} // namespace

std::string VocabularyText(int stringId)
{
    for (const Text& t : kTexts)
        if (t.id == stringId)
            return std::string(t.text);
    return {};
}

ImResult PresenceStatusFromWord(std::string_view w, PresenceStatus& out)
{
    return FromWord(kStatus, w, false, PresenceStatus::Unavailable, out);
}
ImResult PresenceStatusFromWord(std::u16string_view w, PresenceStatus& out)
{
    return FromWord(kStatus, w, false, PresenceStatus::Unavailable, out);
}
ImResult SubStatusFromWord(std::string_view w, SubStatus& out)
{
    return FromWord(kSubStatus, w, false, SubStatus::None, out);
}
ImResult SubStatusFromWord(std::u16string_view w, SubStatus& out)
{
    return FromWord(kSubStatus, w, false, SubStatus::None, out);
}
ImResult ContactMethodFromWord(std::string_view w, ContactMethod& out)
{
    return FromWord(kContactMethod, w, true, ContactMethod::None, out);
}
ImResult ContactMethodFromWord(std::u16string_view w, ContactMethod& out)
{
    return FromWord(kContactMethod, w, true, ContactMethod::None, out);
}
ImResult ListTypeFromWord(std::string_view w, ListType& out)
{
    if (const Entry* e = FindWord(kListType, w, false)) {
        out = static_cast<ListType>(e->value);
        return ImResult::Ok;
    }
    return ImResult::NotFound;
}
ImResult ClientTypeFromWord(std::string_view w, ClientType& out)
{
    return FromWord(kClientType, w, true, ClientType::Im, out);
}
ImResult EmailStateFromWord(std::string_view w, EmailState& out)
{
    return FromWord(kEmailState, w, true, EmailState::None, out);
}
ImResult EmailStateFromWord(std::u16string_view w, EmailState& out)
{
    return FromWord(kEmailState, w, true, EmailState::None, out);
}

ImResult PresenceStatusToWord(PresenceStatus v, std::string& out)
{
    return ToWord(kStatus, v, out);
}
ImResult SubStatusToWord(SubStatus v, std::string& out)
{
    return ToWord(kSubStatus, v, out);
}
ImResult ContactMethodToWord(ContactMethod v, std::string& out)
{
    return ToWord(kContactMethod, v, out);
}
ImResult ListTypeToWord(ListType v, std::string& out)
{
    if (const Entry* e = FindValue(kListType, static_cast<int>(v))) {
        out = std::string(e->word);
        return ImResult::Ok;
    }
    return ImResult::NotFound;
}
ImResult ClientTypeToWord(ClientType v, std::string& out)
{
    if (ToWord(kClientType, v, out) == ImResult::Ok)
        return ImResult::Ok;
    out = "IM";
    return ImResult::NotFound;
}
ImResult EmailStateToWord(EmailState v, std::string& out)
{
    return ToWord(kEmailState, v, out);
}

int PresenceStatusTextId(PresenceStatus v)
{
    const Entry* e = FindValue(kStatus, static_cast<int>(v));
    return e ? e->textId : 0;
}
int SubStatusTextId(SubStatus v)
{
    const Entry* e = FindValue(kSubStatus, static_cast<int>(v));
    return e ? e->textId : 0;
}
int ContactMethodTextId(ContactMethod v)
{
    const Entry* e = FindValue(kContactMethod, static_cast<int>(v));
    return e ? e->textId : 0;
}

std::string StatusWordToDisplay(std::string_view w)
{
    return WordToDisplay(kStatus, w, false);
}
std::string StatusDisplayToWord(std::string_view t)
{
    return DisplayToWord(kStatus, t);
}
std::string SubStatusWordToDisplay(std::string_view w)
{
    return WordToDisplay(kSubStatus, w, false);
}
std::string SubStatusDisplayToWord(std::string_view t)
{
    return DisplayToWord(kSubStatus, t);
}
std::string ContactMethodWordToDisplay(std::string_view w)
{
    return WordToDisplay(kContactMethod, w, true);
}
std::string ContactMethodDisplayToWord(std::string_view t)
{
    return DisplayToWord(kContactMethod, t);
}

} // namespace zep
