#pragma once
// Reading a received event for the watch output: its header lines, and for "MESSAGE" the
// plain text of the body.
//
// Event extraction drops empty lines, so the end of the headers and of each part's headers is
// found by shape: a header is "Name: value" with a name of letters, digits and "-"; inside a
// multipart body only "Content-" lines count as part headers.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zep::cli {

struct EventParts
{
    std::vector<std::pair<std::string, std::string>> headers; // name and value as received
    std::vector<std::string> body;                            // "MESSAGE" only
};

// `lines` is the whole event, its name first.
EventParts SplitEvent(const std::vector<std::string>& lines, bool isMessage);

// The text/plain part of a multipart/alternative body, else the whole body; lines joined
// with CR LF.
std::string MessagePlainText(const EventParts& parts);

// Backslash, CR and LF as \\, \r and \n.
std::string EscapeText(std::string_view text);

// One output line of watch: name, then TAB Name=Value per header, then for a message TAB
// text= and the escaped plain text.
std::string FormatEvent(const std::vector<std::string>& lines, bool isMessage);

} // namespace zep::cli
