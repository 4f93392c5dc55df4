// Writing rich text as the other clients of the service read it: 7-bit ASCII RTF with a font
// and a colour table, bold, italic, underline, strike-out, colour, font and size; non-ASCII
// characters as \'xx (code page 1252) or \uN?; no embedded objects, no trailing NUL.
#pragma once

#include <string>

class QTextCursor;

namespace zep::conversations {

// The cursor's selection as "{\rtf1\ansi\ansicpg1252\deff0{\fonttbl...}{\colortbl ;...}
// \viewkind4\uc1\pard ... \par }". An empty selection gives a document without text.
std::string WriteRtf(const QTextCursor& selection);

} // namespace zep::conversations
