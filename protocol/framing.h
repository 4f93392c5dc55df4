#pragma once
// Requests and replies, events and their extraction, status classification.

#include "common/im_result.h"
#include "common/line_list.h"

#include <string>
#include <string_view>

namespace zep {

struct ImConnection;

// The size of the buffer every request but "MESSAGE" is formatted into.
inline constexpr std::size_t kRequestBufferSize = 10240;

// Sends one framed request (terminator included) and collects its reply, answering one
// authentication challenge. Takes the connection lock. A send that fails or a reply that
// cannot be read completely disconnects: the stream would be out of step otherwise.
ImResult ImExchange(ImConnection& conn, std::string_view request, LineList& reply);

// Collects one reply ("S " lines up to "S ."); "A " lines that arrive meanwhile are queued.
ImResult ImReadReply(ImConnection& conn, LineList& reply);

// Hands out the next complete event, reading only what the socket holds already: it never
// waits for data. NothingPending when no complete event is there yet (partial lines stay on
// the connection); ConnectionClosed once the connection is gone and the queue is empty.
ImResult ImReadEvent(ImConnection& conn, LineList& event);

// Waits without taking any lock until an event may be read: a complete event is queued, the
// TLS layer holds data, or the socket is readable. Ok, TimedOut, or ConnectionClosed.
ImResult ImWaitEvent(ImConnection& conn, int timeoutCode);

// The first three characters of the status line; NotFound (and empty) when size < 4 or the
// line is shorter than three characters.
ImResult ImReplyCode(const std::string& statusLine, std::string& code, std::size_t size = 4);
// Ok, CharsetMismatch, AlreadyPresent, ServerCode553, TooLarge, ContentUnacceptable or Failed.
ImResult ImStatusToResult(std::string_view code);
// The status of a whole reply: Failed when it has no status line.
ImResult ImReplyResult(const LineList& reply);

} // namespace zep
