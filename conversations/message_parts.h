// The MIME body of an instant message: the text twice, as UTF-8 plain text and as RTF, and
// the reading of whatever body another client sent. Plain C++, no Qt.
#pragma once

#include "conversations/rtf_reader.h"

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace zep::conversations {

// Text taken out of a QTextDocument ("\n", U+2029 and U+2028 between lines) as UTF-8 with
// CR LF line ends; U+FFFC (an embedded object) is dropped.
std::string OutgoingPlainText(std::u16string_view text);

// "==_" + "hh:mm:ss Www, d Mmm yyyy " + "==_" with English day and month names, the day
// without a leading zero, whatever the locale.
std::string MessageBoundary(const std::tm& localTime);

struct MessageParts
{
    // "SessionId: ..." CR LF, "MIME-Version: 1.0" CR LF, "Content-Type: multipart/
    // alternative; boundary="..."" CR LF.
    std::string headers;
    // Both parts, each after "\r\n--" + boundary + "\r\n"; the last delimiter has no "--".
    std::string body;
};
MessageParts BuildMessageParts(std::string_view sessionId, std::string_view plainUtf8,
                               std::string_view rtf, const std::tm& localTime);

// What a received MESSAGE shows: the rich part when it yields visible text, else the plain
// part, else the whole body as plain text (a message is never lost silently).
struct ReceivedMessage
{
    enum class Kind
    {
        Rich,
        Plain,
        Nothing // no body at all
    };
    Kind kind = Kind::Nothing;
    RtfDocument rich;     // Kind::Rich
    std::string rtf;      // Kind::Rich: the rich text part as it came (UTF-8), for the history
    std::u16string plain; // Kind::Plain: line ends as "\n", the trailing one trimmed
};

// `lines` are the event's lines as the view holds them: the event name, header lines, an
// empty line, then the body lines.
ReceivedMessage ReadReceivedMessage(const std::vector<std::u16string>& lines);

// The visible text of a received message without its formatting, paragraphs on lines of
// their own (for a notice that shows only text).
std::u16string PlainTextOf(const ReceivedMessage& message);

} // namespace zep::conversations
