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

// A byte a terminal acts on instead of showing: the C0 controls (TAB, CR, LF, ESC, BEL ...)
// and DEL. Remote text holding one could forge output fields or drive the terminal.
bool IsControlByte(char c);
// The C1 controls in UTF-8 (C2 80 to C2 9F): some terminals act on them too.
bool IsUtf8C1Control(std::string_view text, std::size_t at);

// Backslash, CR, LF and TAB as \\, \r, \n and \t; every other control (IsControlByte and
// the UTF-8 C1 controls) as \xHH per byte. What is left is one field of one line.
std::string EscapeText(std::string_view text);

// One output line of watch: name, then TAB Name=Value per header, then for a message TAB
// text= and the plain text, every part of it escaped with EscapeText.
std::string FormatEvent(const std::vector<std::string>& lines, bool isMessage);

} // namespace zep::cli
