#include "contacts/date_format.h"

#include <cstdio>

namespace zep::contacts {

namespace {

std::vector<std::u16string> Words(const std::u16string& text)
{
    std::vector<std::u16string> out;
    std::u16string word;
    for (char16_t c : text) {
        if (c == u' ') {
            if (!word.empty())
                out.push_back(word);
            word.clear();
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty())
        out.push_back(word);
    return out;
}

std::u16string Ascii(const char* text)
{
    std::u16string out;
    for (; *text; ++text)
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(*text)));
    return out;
}

std::u16string Digits(int value, int width)
{
    char text[32];
    std::snprintf(text, sizeof text, "%0*d", width, value);
    return Ascii(text);
}

char16_t Lower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

const char* OrdinalSuffix(int day)
{
    if (day % 100 >= 11 && day % 100 <= 13)
        return "th";
    switch (day % 10) {
    case 1:
        return "st";
    case 2:
        return "nd";
    case 3:
        return "rd";
    default:
        return "th";
    }
}

struct Names
{
    std::vector<std::u16string> shortDays, longDays, shortMonths, longMonths, amPm;
};

class Formatter
{
public:
    Formatter(const EmailDateTime& t, const Names& n) : m_t(t), m_n(n)
    {
        m_weekday = Weekday(t.year, t.month, t.day);
    }

    std::u16string Run(const std::u16string& p)
    {
        std::size_t i = 0;
        const std::size_t n = p.size();
        // A character of the pattern, or 0 past its end: the pattern is never read beyond it.
        auto at = [&](std::size_t k) -> char16_t { return k < n ? Lower(p[k]) : 0; };
        while (i < n) {
            const char16_t c = Lower(p[i]);
            const bool hasNext = i + 1 < n;
            if (p[i] == u'\\') {
                if (hasNext)
                    m_out.push_back(p[i + 1]);
                i += 2;
                continue;
            }
            switch (c) {
            case u'a':
                if (!hasNext)
                    break;
                if (m_n.amPm.size() >= 2)
                    m_out += m_n.amPm[m_t.hour < 12 ? 0 : 1];
                i += 2;
                continue;
            case u'd':
                if (!hasNext)
                    break;
                if (at(i + 1) == u'f')
                    m_out += m_n.longDays[DayIndex()];
                else if (at(i + 1) == u'w')
                    m_out += m_n.shortDays[DayIndex()];
                else if (at(i + 1) == u'n')
                    m_out += Digits(m_weekday, 1);
                else
                    m_out += Digits(m_t.day, 2);
                i += 2;
                continue;
            case u'h':
                if (!hasNext)
                    break;
                if (at(i + 1) == u'h')
                    m_out += Digits(m_t.hour, 2);
                else
                    m_out += Digits(m_t.hour % 12 == 0 ? 12 : m_t.hour % 12, 2);
                i += 2;
                continue;
            case u'm': {
                if (at(i + 2) == u'm' && at(i + 3) == u'm')
                    m_out += m_n.longMonths[m_t.month - 1];
                else if (at(i + 2) == u'm')
                    m_out += m_n.shortMonths[m_t.month - 1];
                else if (at(i + 1) == u'i')
                    m_out += Digits(m_t.minute, 2);
                else
                    m_out += Digits(m_t.month, 2);
                ++i;
                while (at(i) == u'm' || at(i) == u'i')
                    ++i;
                continue;
            }
            case u'r':
                m_out += Rfc822();
                ++i;
                continue;
            case u's':
                if (!hasNext)
                    break;
                m_out += Digits(m_t.second, 2);
                i += 2;
                continue;
            case u't':
                if (!hasNext)
                    break;
                m_out += Ascii(OrdinalSuffix(m_t.day));
                i += 2;
                continue;
            case u'v': {
                char text[64];
                std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", m_t.year,
                              m_t.month, m_t.day, m_t.hour, m_t.minute, m_t.second);
                m_out += Ascii(text);
                ++i;
                continue;
            }
            case u'y': {
                if (at(i + 2) == u'y')
                    m_out += Digits(m_t.year, 4);
                else
                    m_out += Digits(((m_t.year % 100) + 100) % 100, 2);
                ++i;
                while (at(i) == u'y')
                    ++i;
                continue;
            }
            default:
                break;
            }
            // Not a token, or a two-letter token cut short by the end of the pattern.
            m_out.push_back(p[i]);
            ++i;
        }
        return std::move(m_out);
    }

private:
    // The name lists start with Monday; Sunday (0) is the seventh entry.
    std::size_t DayIndex() const { return m_weekday == 0 ? 6 : m_weekday - 1; }

    std::u16string Rfc822() const
    {
        static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
        static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        char text[64];
        // The stored time carries no zone, which "-0000" says.
        std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d -0000", days[m_weekday],
                      m_t.day, months[m_t.month - 1], m_t.year, m_t.hour, m_t.minute, m_t.second);
        return Ascii(text);
    }

    const EmailDateTime& m_t;
    const Names& m_n;
    int m_weekday = 0;
    std::u16string m_out;
};

} // namespace

int Weekday(int year, int month, int day)
{
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 1 || month > 12)
        return 0;
    if (month < 3)
        year -= 1;
    const int w = (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
    return (w + 7) % 7;
}

std::u16string NumericTime(const EmailDateTime& t)
{
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return Ascii(text);
}

std::u16string FormatTime(const EmailDateTime& t, const std::u16string& pattern,
                          const DateNameTexts& texts)
{
    Names names{Words(texts.shortDays), Words(texts.longDays), Words(texts.shortMonths),
                Words(texts.longMonths), Words(texts.amPm)};
    const bool namesUsable = names.shortDays.size() == 7 && names.longDays.size() == 7 &&
                             names.shortMonths.size() == 12 && names.longMonths.size() == 12 &&
                             names.amPm.size() == 2;
    // Month and day come from the server; out of range they would pick no name.
    const bool dateUsable =
        t.month >= 1 && t.month <= 12 && t.day >= 1 && t.day <= 31 && t.year >= 0 && t.hour >= 0;
    if (!namesUsable || !dateUsable)
        return NumericTime(t);
    std::u16string out = Formatter(t, names).Run(pattern);
    if (out.size() > kMaxTimeText - 1)
        out.resize(kMaxTimeText - 1);
    return out;
}

} // namespace zep::contacts
