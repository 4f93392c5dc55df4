// Helpers of the rich text tests: readable renderings of a parsed document.
#pragma once

#include "conversations/rtf_reader.h"
#include "protocol/utf_text.h"

#include <cstdio>
#include <ostream>
#include <string>

namespace zep::conversations::testing {

inline std::string Utf8(const std::u16string& text)
{
    std::string out;
    if (!Utf16ToUtf8(text, out))
        return "<bad UTF-16>";
    return out;
}

inline std::u16string Utf16(const std::string& text)
{
    return Utf8ToUtf16Lenient(text);
}

// The text: paragraphs separated by "\n", one more "\n" when the document ends with a break.
inline std::string TextOf(const RtfDocument& document)
{
    std::string out;
    for (std::size_t i = 0; i < document.paragraphs.size(); ++i) {
        if (i > 0)
            out += '\n';
        for (const RtfRun& run : document.paragraphs[i].runs)
            out += Utf8(run.text);
    }
    if (document.endsWithBreak)
        out += '\n';
    return out;
}

// Runs as "text/b,i,u,s,f=Face,fs=N,c=rrggbb" joined by " ", paragraphs by " | ".
inline std::string RunsOf(const RtfDocument& document)
{
    std::string out;
    for (std::size_t p = 0; p < document.paragraphs.size(); ++p) {
        if (p > 0)
            out += " | ";
        const auto& runs = document.paragraphs[p].runs;
        for (std::size_t r = 0; r < runs.size(); ++r) {
            const RtfCharFormat& f = runs[r].format;
            std::string flags;
            const auto add = [&flags](const std::string& flag) {
                flags += (flags.empty() ? "" : ",") + flag;
            };
            if (f.bold)
                add("b");
            if (f.italic)
                add("i");
            if (f.underline)
                add("u");
            if (f.strike)
                add("s");
            if (!f.font.empty())
                add("f=" + Utf8(f.font));
            if (f.halfPoints)
                add("fs=" + std::to_string(f.halfPoints));
            if (f.colour) {
                char rgb[8];
                std::snprintf(rgb, sizeof rgb, "%06x", static_cast<unsigned>(*f.colour));
                add(std::string("c=") + rgb);
            }
            out += (r > 0 ? " " : "") + Utf8(runs[r].text) + "/" + flags;
        }
    }
    return out;
}

inline std::ostream& operator<<(std::ostream& out, const RtfDocument& document)
{
    return out << RunsOf(document);
}

} // namespace zep::conversations::testing
