#include "tools/im_body.h"

#include "protocol/utf_text.h"

#include <cstdio>

namespace zep::cli {

std::string MimeBoundary(const std::tm& t)
{
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[96];
    std::snprintf(text, sizeof text, "==_%02d:%02d:%02d %s, %d %s %d ==_", t.tm_hour, t.tm_min,
                  t.tm_sec, kDays[(t.tm_wday % 7 + 7) % 7], t.tm_mday,
                  kMonths[(t.tm_mon % 12 + 12) % 12], t.tm_year + 1900);
    return text;
}

std::string PlainTextRtf(std::string_view utf8)
{
    std::u16string text = Utf8ToUtf16Lenient(utf8);
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 "
                      "Sans Serif;}}\\uc1\\pard\\f0\\fs20 ";
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c == u'\r') {
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                continue; // the LF that follows ends the paragraph
            out += "\\par\r\n";
        } else if (c == u'\n') {
            out += "\\par\r\n";
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            continue;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            // \u takes a signed 16-bit number; "?" is what readers without Unicode show.
            out += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "?";
        }
    }
    out += "\\par\r\n}";
    return out;
}

ImMime BuildImMime(std::string_view plainUtf8, std::string_view rtf, std::string_view boundary)
{
    ImMime mime;
    std::string b(boundary);
    mime.headers =
        "MIME-Version: 1.0\r\nContent-Type: multipart/alternative; boundary=\"" + b + "\"\r\n";
    std::string& body = mime.body;
    body += "\r\n--" + b + "\r\n";
    body += "Content-Type: text/plain; charset=\"utf-8\"\r\n\r\n";
    body += plainUtf8;
    body += "\r\n--" + b + "\r\n";
    body += "Content-Type: text/richtext; charset=\"us-ascii\"\r\n\r\n";
    body += rtf;
    body += "\r\n--" + b + "\r\n";
    return mime;
}

} // namespace zep::cli
