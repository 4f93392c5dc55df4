#pragma once
// What a conversation window sends: the multipart body with the text twice, as UTF-8 plain
// text and as a rich-text rendering of it.

#include <ctime>
#include <string>
#include <string_view>

namespace zep::cli {

// "==_hh:mm:ss Www, D Mmm YYYY ==_" from the local time, English names.
std::string MimeBoundary(const std::tm& local);

// A rich-text rendering of plain UTF-8 text: ASCII only, non-ASCII as \uN escapes.
std::string PlainTextRtf(std::string_view utf8);

struct ImMime
{
    std::string headers; // "MIME-Version" and "Content-Type" lines, CR LF ended
    std::string body;
};
ImMime BuildImMime(std::string_view plainUtf8, std::string_view rtf, std::string_view boundary);

} // namespace zep::cli
