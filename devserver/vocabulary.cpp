#include "devserver/vocabulary.h"

#include "devserver/text.h"

#include <array>
#include <cctype>

namespace zep::devserver {

bool IsStatusWord(std::string_view word)
{
    return word == kAvailable || word == kUnavailable;
}

bool IsSubStatusWord(std::string_view word)
{
    static constexpr std::array<std::string_view, 7> kWords = {"",      "TA",    "XA",     "DND",
                                                               "PHONE", "LUNCH", "MEETING"};
    for (std::string_view known : kWords) {
        if (word == known)
            return true;
    }
    return false;
}

bool IsContactMethodWord(std::string_view word)
{
    static constexpr std::array<std::string_view, 11> kWords = {
        "",          "EMAIL",      "HOMESMS",    "WORKSMS", "WORKPAGER", "HOMEPHONE",
        "WORKPHONE", "HOMEMOBILE", "WORKMOBILE", "HOMEFAX", "WORKFAX"};
    for (std::string_view known : kWords) {
        if (IEquals(word, known))
            return true;
    }
    return false;
}

std::string ToUpperWord(std::string_view word)
{
    std::string out(word);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

} // namespace zep::devserver
