#include "protocol/message_body.h"

namespace zep {

std::string StuffMessageBody(std::string_view body)
{
    std::string out;
    out.reserve(body.size() + body.size() / 16 + 8);
    const auto emit = [&out](std::string_view line) {
        if (!line.empty() && line.front() == '.')
            out.push_back('.');
        out.append(line);
        out.append("\r\n");
    };
    // Pieces between line feeds; a run of line feeds yields no empty pieces between them.
    std::size_t pos = 0;
    while (pos < body.size()) {
        std::size_t lf = body.find('\n', pos);
        std::string_view piece = body.substr(pos, lf == std::string_view::npos ? lf : lf - pos);
        pos = lf == std::string_view::npos ? body.size() : lf + 1;
        if (piece.empty())
            continue;
        // The CR of a CR LF belongs to the line end; any CR left inside ends a line of its own.
        if (piece.back() == '\r')
            piece.remove_suffix(1);
        std::size_t start = 0;
        while (true) {
            std::size_t cr = piece.find('\r', start);
            emit(piece.substr(start, cr == std::string_view::npos ? cr : cr - start));
            if (cr == std::string_view::npos)
                break;
            start = cr + 1;
        }
    }
    return out;
}

bool IsHeaderBlock(std::string_view headers)
{
    std::size_t pos = 0;
    while (pos < headers.size()) {
        std::size_t end = headers.find("\r\n", pos);
        if (end == std::string_view::npos || end == pos)
            return false;
        if (HasLineBreak(headers.substr(pos, end - pos)))
            return false;
        pos = end + 2;
    }
    return true;
}

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace zep
