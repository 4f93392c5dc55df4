#include "conversations/rtf_words.h"

#include <unordered_map>
#include <utility>

namespace zep::conversations::rtf {

namespace {

const std::unordered_map<std::string_view, WordInfo>& Table()
{
    static const std::unordered_map<std::string_view, WordInfo> words = [] {
        std::unordered_map<std::string_view, WordInfo> w;
        // Groups whose content is not text: pictures, objects, document data, field codes.
        for (std::string_view d : {"pict",         "object",
                                   "info",         "stylesheet",
                                   "header",       "headerl",
                                   "headerr",      "headerf",
                                   "footer",       "footerl",
                                   "footerr",      "footerf",
                                   "footnote",     "fldinst",
                                   "listtable",    "listoverridetable",
                                   "revtbl",       "rsidtbl",
                                   "filetbl",      "xmlnstbl",
                                   "themedata",    "colorschememapping",
                                   "latentstyles", "datastore",
                                   "pgdsctbl",     "shp",
                                   "shpinst",      "nonshppict",
                                   "objdata",      "generator",
                                   "userprops",    "docvar",
                                   "bkmkstart",    "bkmkend",
                                   "annotation",   "atnid",
                                   "atnauthor",    "xe",
                                   "tc",           "txe",
                                   "private",      "template",
                                   "mmathPr",      "do",
                                   "sp",           "blipuid",
                                   "macpict",      "wmetafile"})
            w.emplace(d, WordInfo{Word::SkipDest});
        w.emplace("fonttbl", WordInfo{Word::FontTable});
        w.emplace("colortbl", WordInfo{Word::ColourTable});
        w.emplace("b", WordInfo{Word::Bold});
        w.emplace("i", WordInfo{Word::Italic});
        for (std::string_view u : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                                   "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd",
                                   "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"})
            w.emplace(u, WordInfo{Word::Underline});
        w.emplace("ulnone", WordInfo{Word::UnderlineNone});
        w.emplace("strike", WordInfo{Word::Strike});
        w.emplace("striked", WordInfo{Word::Strike});
        w.emplace("cf", WordInfo{Word::Colour});
        w.emplace("f", WordInfo{Word::Font});
        w.emplace("fs", WordInfo{Word::FontSize});
        w.emplace("plain", WordInfo{Word::Plain});
        w.emplace("ansi", WordInfo{Word::Ansi});
        w.emplace("mac", WordInfo{Word::Mac});
        w.emplace("pc", WordInfo{Word::Pc});
        w.emplace("pca", WordInfo{Word::Pca});
        w.emplace("ansicpg", WordInfo{Word::AnsiCodePage});
        w.emplace("deff", WordInfo{Word::DefaultFont});
        w.emplace("fcharset", WordInfo{Word::Charset});
        w.emplace("red", WordInfo{Word::Red});
        w.emplace("green", WordInfo{Word::Green});
        w.emplace("blue", WordInfo{Word::Blue});
        w.emplace("uc", WordInfo{Word::Uc});
        w.emplace("u", WordInfo{Word::Unicode});
        w.emplace("bin", WordInfo{Word::Bin});
        for (std::string_view p : {"par", "line", "sect", "page", "row"})
            w.emplace(p, WordInfo{Word::Paragraph});
        w.emplace("tab", WordInfo{Word::Tab});
        w.emplace("cell", WordInfo{Word::Tab});
        const std::pair<std::string_view, char16_t> chars[] = {
            {"emdash", 0x2014},  {"endash", 0x2013},    {"bullet", 0x2022},    {"lquote", 0x2018},
            {"rquote", 0x2019},  {"ldblquote", 0x201c}, {"rdblquote", 0x201d}, {"emspace", 0x2003},
            {"enspace", 0x2002}, {"qmspace", 0x2005},   {"zwj", 0x200d},       {"zwnj", 0x200c},
            {"ltrmark", 0x200e}, {"rtlmark", 0x200f}};
        for (const auto& [name, c] : chars)
            w.emplace(name, WordInfo{Word::Character, c});
        return w;
    }();
    return words;
}

} // namespace

const WordInfo* FindWord(std::string_view name)
{
    const auto& table = Table();
    const auto found = table.find(name);
    return found == table.end() ? nullptr : &found->second;
}

} // namespace zep::conversations::rtf
