#include "conversations/message_parts.h"

#include "protocol/utf_text.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace zep::conversations {

namespace {

constexpr std::size_t kMaxContentType = 10240;
constexpr char16_t kReplacement = 0xfffd;

char16_t Lower(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string LowerCopy(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& c : out)
        c = Lower(c);
    return out;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (Lower(text[i]) != Lower(prefix[i]))
            return false;
    return true;
}

bool IsSpace(char16_t c)
{
    return c == u' ' || c == u'\t';
}

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// The value of a "Content-Type" header line, or nothing when the line is another header.
std::optional<std::u16string_view> ContentTypeValue(std::u16string_view line)
{
    constexpr std::u16string_view name = u"content-type";
    if (!StartsWithNoCase(line, name))
        return std::nullopt;
    std::u16string_view rest = line.substr(name.size());
    while (!rest.empty() && IsSpace(rest.front()))
        rest.remove_prefix(1);
    if (rest.empty() || rest.front() != u':')
        return std::nullopt;
    return Trim(rest.substr(1));
}

struct ContentType
{
    std::u16string type; // lower case, without parameters
    std::u16string boundary;
};

// "type/subtype; name=value; name="quoted \" value"": the media type and the boundary
// parameter, which keeps its case.
ContentType ParseContentType(std::u16string_view value)
{
    ContentType result;
    std::size_t pos = value.find(u';');
    result.type = LowerCopy(Trim(value.substr(0, pos)));
    while (pos < value.size()) {
        ++pos; // the ';'
        while (pos < value.size() && IsSpace(value[pos]))
            ++pos;
        const std::size_t nameStart = pos;
        while (pos < value.size() && value[pos] != u'=' && value[pos] != u';')
            ++pos;
        const std::u16string name = LowerCopy(Trim(value.substr(nameStart, pos - nameStart)));
        if (pos >= value.size() || value[pos] == u';')
            continue;
        ++pos; // the '='
        while (pos < value.size() && IsSpace(value[pos]))
            ++pos;
        std::u16string parameter;
        if (pos < value.size() && value[pos] == u'"') {
            for (++pos; pos < value.size() && value[pos] != u'"'; ++pos) {
                if (value[pos] == u'\\' && pos + 1 < value.size())
                    ++pos;
                parameter.push_back(value[pos]);
            }
            if (pos < value.size())
                ++pos; // the closing quote
        } else {
            while (pos < value.size() && value[pos] != u';' && !IsSpace(value[pos]))
                parameter.push_back(value[pos++]);
        }
        if (name == u"boundary" && result.boundary.empty())
            result.boundary = std::move(parameter);
        pos = std::min(value.find(u';', pos), value.size());
    }
    return result;
}

// Body lines with CR LF and a lone CR each as one break: the line ends the event framing
// left in place are taken off, a CR inside a line splits it.
std::vector<std::u16string_view> BodyLines(const std::vector<std::u16string>& lines,
                                           std::size_t first)
{
    std::vector<std::u16string_view> out;
    for (std::size_t i = first; i < lines.size(); ++i) {
        std::u16string_view line = lines[i];
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        while (true) {
            const std::size_t cr = line.find(u'\r');
            out.push_back(line.substr(0, cr));
            if (cr == std::u16string_view::npos)
                break;
            line.remove_prefix(cr + 1);
        }
    }
    return out;
}

std::u16string JoinLines(const std::vector<std::u16string_view>& lines)
{
    std::u16string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out.push_back(u'\n');
        out.append(lines[i]);
    }
    return out;
}

void TrimTrailingBreaks(std::u16string& text)
{
    while (!text.empty() && text.back() == u'\n')
        text.pop_back();
}

// UTF-16 with unpaired surrogates replaced, so the strict conversion cannot fail.
std::u16string Sanitised(std::u16string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xd800 && c <= 0xdbff && i + 1 < text.size() && text[i + 1] >= 0xdc00 &&
            text[i + 1] <= 0xdfff) {
            out.push_back(c);
            out.push_back(text[++i]);
        } else if (c >= 0xd800 && c <= 0xdfff) {
            out.push_back(kReplacement);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string ToUtf8(std::u16string_view text)
{
    std::string out;
    Utf16ToUtf8(Sanitised(text), out);
    return out;
}

bool IsPlainType(std::u16string_view type)
{
    return type == u"text/plain";
}

bool IsRichType(std::u16string_view type)
{
    return type == u"text/richtext" || type == u"text/rtf" || type == u"application/rtf";
}

ReceivedMessage PlainMessage(std::u16string text)
{
    TrimTrailingBreaks(text);
    ReceivedMessage message;
    if (!text.empty()) {
        message.kind = ReceivedMessage::Kind::Plain;
        message.plain = std::move(text);
    }
    return message;
}

} // namespace

std::string OutgoingPlainText(std::u16string_view text)
{
    std::u16string mapped;
    mapped.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        switch (c) {
        case u'\r':
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            [[fallthrough]];
        case u'\n':
        case 0x2028:
        case 0x2029:
            mapped.append(u"\r\n");
            break;
        case 0xfffc: // an embedded object: there is no text for it
        case 0x0000:
            break;
        default:
            mapped.push_back(c);
            break;
        }
    }
    return ToUtf8(mapped);
}

std::string MessageBoundary(const std::tm& localTime)
{
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int day = ((localTime.tm_wday % 7) + 7) % 7;
    const int month = ((localTime.tm_mon % 12) + 12) % 12;
    char text[96];
    std::snprintf(text, sizeof text, "==_%02d:%02d:%02d %s, %d %s %d ==_", localTime.tm_hour,
                  localTime.tm_min, localTime.tm_sec, days[day], localTime.tm_mday, months[month],
                  localTime.tm_year + 1900);
    return text;
}

MessageParts BuildMessageParts(std::string_view sessionId, std::string_view plainUtf8,
                               std::string_view rtf, const std::tm& localTime)
{
    const std::string boundary = MessageBoundary(localTime);
    // A line break in the identifier would end its header line early.
    std::string id;
    for (char c : sessionId)
        if (c != '\r' && c != '\n')
            id.push_back(c);
    while (!rtf.empty() && rtf.back() == '\0')
        rtf.remove_suffix(1);

    MessageParts parts;
    parts.headers = "SessionId: " + id + "\r\nMIME-Version: 1.0\r\n" +
                    "Content-Type: multipart/alternative; boundary=\"" + boundary + "\"\r\n";
    const std::string delimiter = "\r\n--" + boundary + "\r\n";
    parts.body.reserve(plainUtf8.size() + rtf.size() + 3 * delimiter.size() + 120);
    parts.body += delimiter;
    parts.body += "Content-Type: text/plain; charset=\"utf-8\"\r\n\r\n";
    parts.body += plainUtf8;
    parts.body += delimiter;
    parts.body += "Content-Type: text/richtext; charset=\"us-ascii\"\r\n\r\n";
    parts.body += rtf;
    parts.body += delimiter;
    return parts;
}

std::u16string PlainTextOf(const ReceivedMessage& message)
{
    if (message.kind != ReceivedMessage::Kind::Rich)
        return message.plain;
    std::u16string text;
    for (const RtfParagraph& paragraph : message.rich.paragraphs) {
        if (!text.empty())
            text += u'\n';
        for (const RtfRun& run : paragraph.runs)
            text += run.text;
    }
    return text;
}

ReceivedMessage ReadReceivedMessage(const std::vector<std::u16string>& lines)
{
    // Line 0 is the event name; the headers run to the first empty line.
    std::size_t i = 1;
    std::u16string contentType;
    bool inContentType = false;
    for (; i < lines.size(); ++i) {
        std::u16string_view line = lines[i];
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        if (line.empty())
            break;
        if (IsSpace(line.front())) {
            // A folded header line continues the one before.
            if (inContentType) {
                contentType.push_back(u' ');
                contentType.append(Trim(line));
            }
        } else if (auto value = ContentTypeValue(line)) {
            contentType.assign(*value);
            inContentType = true;
        } else {
            inContentType = false;
        }
        if (contentType.size() > kMaxContentType)
            contentType.resize(kMaxContentType);
    }
    if (i >= lines.size())
        return {};
    const std::vector<std::u16string_view> body = BodyLines(lines, i + 1);

    const ContentType type = ParseContentType(contentType);
    if (type.type.rfind(u"multipart/", 0) != 0 || type.boundary.empty())
        return PlainMessage(JoinLines(body));

    const std::u16string delimiter = u"--" + type.boundary;
    enum class State
    {
        Preamble,
        Headers,
        Body
    };
    State state = State::Preamble;
    std::u16string partType;
    std::u16string plain;
    std::u16string rich;
    bool firstLine = true;
    for (std::u16string_view line : body) {
        if (StartsWithNoCase(line, delimiter)) {
            if (line.substr(delimiter.size(), 2) == u"--")
                break; // the closing delimiter; what follows is epilogue
            state = State::Headers;
            partType = u"text/plain";
            firstLine = true;
            continue;
        }
        if (state == State::Headers) {
            if (line.empty())
                state = State::Body;
            else if (auto value = ContentTypeValue(line))
                partType = ParseContentType(*value).type;
        } else if (state == State::Body) {
            std::u16string* text = IsPlainType(partType)  ? &plain
                                   : IsRichType(partType) ? &rich
                                                          : nullptr;
            if (!text)
                continue;
            if (!firstLine || !text->empty())
                text->push_back(u'\n');
            text->append(line);
            firstLine = false;
        }
    }

    ReceivedMessage message;
    if (!rich.empty()) {
        message.rtf = ToUtf8(rich);
        message.rich = ParseRtf(message.rtf, RtfEightBit::Utf8);
        if (message.rich.HasVisibleText()) {
            message.kind = ReceivedMessage::Kind::Rich;
            return message;
        }
    }
    TrimTrailingBreaks(plain);
    if (!plain.empty())
        return PlainMessage(std::move(plain));
    return PlainMessage(JoinLines(body));
}

} // namespace zep::conversations
