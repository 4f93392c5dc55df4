#pragma once
// The small HTTP message the proxy tunnel is built from: a start line followed by header lines
// ("Name: value"), kept without their line ends.

#include "common/im_result.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

typedef struct ssl_st SSL;

namespace zep {

class HttpMessage
{
public:
    // Empty and present.
    void Initialise();
    // Drops every line and clears the present flag.
    void Free();
    bool Present() const { return m_present; }

    // Appends a line at the end (the start line). A line holding CR or LF is refused with
    // BadArgument: it would inject lines of its own into the request.
    ImResult AppendLine(std::string line);
    // "Name: value": replaces the header line of the same name (case-insensitive), otherwise
    // appends it. BadArgument without a colon or with CR or LF in the line.
    ImResult SetHeader(std::string line);
    // Removes the first header line whose name begins with `name` (case-insensitive).
    void RemoveHeader(std::string_view name);
    // The value of the first header beginning with `name` ("Content-Length:"): the text after
    // the name and the one space that follows it. False when there is no such header.
    bool HeaderValue(std::string_view name, std::string& value) const;

    // Fills an empty message from the header block at the start of `bytes` (BadArgument when
    // the message is not empty, NotFound when the block is incomplete). Empty lines vanish.
    ImResult ParseHeaderBlock(std::string_view bytes);

    // Every line with CR LF, then one more CR LF.
    std::string Serialise() const;
    // Serialises and sends under the default send time-out; the result of the send.
    ImResult Send(int connectionNumber, SSL* tls, int socket, int cancelFd = -1) const;

    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    bool m_present = false;
    std::vector<std::string> m_lines;
};

// The length of the header block at the start of `bytes`, its end sequence included; 0 while
// it is incomplete. The earliest of CR CR and LF LF ends it, unless CR LF CR LF comes earlier.
// No sequence starts before `searchFrom` (the caller has looked there already).
std::size_t HeaderBlockLength(std::string_view bytes, std::size_t searchFrom = 0);

// "Tue, 8 Dec 2026 01:02:03 GMT": English names whatever the locale.
std::string FormatHttpDate(std::time_t when);

} // namespace zep
