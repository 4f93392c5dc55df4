#pragma once
// The body of a "MESSAGE" request: line ends made uniform and lines dot-stuffed, so that no
// line of the text can pass for the terminator or end the request early.

#include <string>
#include <string_view>

namespace zep {

// Splits the body into lines at CR LF, a lone LF or a lone CR. A run of bare line feeds counts
// as one break (an empty line survives when it was ended by CR LF or CR), and no empty piece
// is produced at either end. Each line is sent with CR LF; a line that begins with "." gets a
// second "." in front.
std::string StuffMessageBody(std::string_view body);

// A header block of complete "name: value" CR LF lines (or empty): no bare CR or LF, no empty
// line, nothing after the last CR LF.
bool IsHeaderBlock(std::string_view headers);

// True when the text holds a CR or an LF: such a value would end its header line early.
bool HasLineBreak(std::string_view text);

} // namespace zep
