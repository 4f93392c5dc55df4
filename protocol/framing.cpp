#include "protocol/framing.h"

#include "protocol/authentication.h"
#include "transport/im_connection.h"
#include "transport/log_writer.h"
#include "transport/socket_io.h"
#include "transport/timeouts.h"

#include <cstdint>
#include <new>

namespace zep {

namespace {

constexpr std::size_t kReceiveSize = 10239;
// More than this many reads in one ImReadEvent call would keep the application lock from a
// waiting request for too long; the rest is read on the next call.
constexpr int kMaxReadsPerEventCall = 64;

struct ReplyCollector
{
    LineList* reply = nullptr;
    bool done = false;
};

void LogReceivedLine(const ImConnection& conn, std::string_view line)
{
    if (LogEnabled(kLogProtocol))
        LogWriteIf(ZepimLog(), kLogProtocol, 0, "%d %s%.*s", conn.number, conn.tls ? "[x] " : "",
                   static_cast<int>(line.size()), line.data());
}

// Sorts one received line: reply lines to the collector, event lines to the event queue.
ImResult DispatchLine(ImConnection& conn, std::string_view line, ReplyCollector* collector)
{
    LogReceivedLine(conn, line);
    if (line.size() < 2 || line[1] != ' ')
        return ImResult::Ok;
    std::string_view rest = line.substr(2);
    if (line[0] == 'S') {
        // Without an outstanding request (or after its terminator) a reply line has no owner.
        if (!collector || collector->done)
            return ImResult::Ok;
        if (rest == ".") {
            collector->done = true;
            return ImResult::Ok;
        }
        if (collector->reply->Bytes() + rest.size() > kMaxAccumulatedBytes ||
            collector->reply->Size() >= kMaxAccumulatedLines)
            return ImResult::TransferFailed;
        collector->reply->Append(std::string(rest));
    } else if (line[0] == 'A') {
        // The line cap holds for one event; complete events wait only as long as one read.
        if (conn.eventQueue.Bytes() + rest.size() > kMaxAccumulatedBytes ||
            conn.openEventLines >= kMaxAccumulatedLines)
            return ImResult::TransferFailed;
        conn.eventQueue.Append(std::string(rest));
        if (rest == ".") {
            ++conn.queuedTerminators;
            conn.openEventLines = 0;
        } else {
            ++conn.openEventLines;
        }
    }
    return ImResult::Ok;
}

// Splits the complete lines out of the pending input; a trailing partial line stays there.
// A run of CR and LF characters is one break, so empty lines vanish.
ImResult ConsumeLines(ImConnection& conn, ReplyCollector* collector)
{
    std::string& input = conn.pendingInput;
    // Only bytes after those already scanned can hold a new break: a long partial line is
    // not searched again with every chunk.
    std::size_t scanned = std::min(conn.pendingScanned, input.size());
    std::size_t last = std::string_view(input).substr(scanned).find_last_of("\r\n");
    if (last != std::string::npos)
        last += scanned;
    if (last != std::string::npos) {
        std::size_t pos = 0;
        while (pos <= last) {
            std::size_t end = input.find_first_of("\r\n", pos);
            if (end > pos) {
                ImResult r =
                    DispatchLine(conn, std::string_view(input.data() + pos, end - pos), collector);
                if (r != ImResult::Ok)
                    return r;
            }
            pos = end + 1;
        }
        input.erase(0, last + 1);
    }
    conn.pendingScanned = input.size();
    conn.inputWaiting = false;
    return input.size() > kMaxAccumulatedBytes ? ImResult::TransferFailed : ImResult::Ok;
}

// Detaches the first complete event from the queue. An event that is only its terminator is
// discarded without gluing anything onto the next one.
bool ExtractEvent(ImConnection& conn, LineList& event)
{
    while (conn.queuedTerminators > 0) {
        event.Clear();
        while (!conn.eventQueue.Empty()) {
            std::string line = conn.eventQueue.TakeHead();
            if (line == ".") {
                --conn.queuedTerminators;
                break;
            }
            if (!line.empty() && line.front() == '.')
                line.erase(0, 1); // dot-stuffed by the server
            event.Append(std::move(line));
        }
        if (!event.Empty())
            return true;
    }
    return false;
}

// Reads one chunk into the pending input, waiting as `timeoutCode` says or, for a reply, until
// its deadline. Ok with *closed set when the peer closed.
ImResult ReceiveChunk(ImConnection& conn, int timeoutCode, bool* closed,
                      const ReplyDeadline* deadline = nullptr)
{
    char buffer[kReceiveSize + 1];
    std::size_t got = 0;
    *closed = false;
    ImResult r = deadline ? ReceiveBytesBy(conn.number, conn.tls, conn.socket.load(), *deadline,
                                           buffer, kReceiveSize, &got, conn.cancelFd)
                          : ReceiveBytes(conn.number, conn.tls, conn.socket.load(), timeoutCode,
                                         buffer, kReceiveSize, &got, conn.cancelFd);
    if (r != ImResult::Ok)
        return r;
    if (got == 0) {
        *closed = true;
        return ImResult::Ok;
    }
    conn.pendingInput.append(buffer, got);
    return ImResult::Ok;
}

void NoteTlsPending(ImConnection& conn)
{
    ImNoteTlsPending(conn);
}

bool BreaksStream(ImResult r)
{
    return r == ImResult::ConnectionClosed || r == ImResult::TimedOut ||
           r == ImResult::TransferFailed || r == ImResult::SelectFailed || r == ImResult::NoMemory;
}

} // namespace

ImResult ImReadReply(ImConnection& conn, LineList& reply)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    reply.Clear();
    const int terminatorsBefore = conn.queuedTerminators.load();
    ReplyCollector collector{&reply, false};
    const ReplyDeadline deadline;
    ImResult r = ConsumeLines(conn, &collector);
    while (r == ImResult::Ok && !collector.done) {
        if (!conn.connected || conn.socket.load() < 0) {
            r = ImResult::ConnectionClosed;
            break;
        }
        bool closed = false;
        r = ReceiveChunk(conn, kTimeoutDefault, &closed, &deadline);
        if (r == ImResult::TimedOut)
            LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d reply not complete within %.0f s",
                       conn.number, deadline.Seconds());
        if (r == ImResult::Ok && closed)
            r = ImResult::ConnectionClosed;
        if (r == ImResult::Ok)
            r = ConsumeLines(conn, &collector);
    }
    NoteTlsPending(conn);
    // Events that came with the reply: the reader may already be waiting on the socket.
    if (conn.queuedTerminators.load() != terminatorsBefore || conn.tlsPending.load())
        ImWakeReader(conn);
    if (r != ImResult::Ok) {
        reply.Clear();
        return r;
    }
    // A terminator without a status line before it is no reply.
    return reply.Empty() ? ImResult::Failed : ImResult::Ok;
}

namespace {

// Memory running out while a reply or an event is taken in ends the connection, not the
// process: what the server sent cannot be kept, so the stream is out of step.
template <typename Body> ImResult EndOnAllocationFailure(ImConnection& conn, Body body)
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        ImDisconnect(conn);
        return ImResult::TransferFailed;
    }
}

ImResult Exchange(ImConnection& conn, std::string_view request, LineList& reply);
ImResult ReadEvent(ImConnection& conn, LineList& event);

} // namespace

ImResult ImExchange(ImConnection& conn, std::string_view request, LineList& reply)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    const ImResult r = EndOnAllocationFailure(conn, [&] { return Exchange(conn, request, reply); });
    if (r == ImResult::TransferFailed)
        reply.Clear();
    return r;
}

ImResult ImReadEvent(ImConnection& conn, LineList& event)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    const ImResult r = EndOnAllocationFailure(conn, [&] { return ReadEvent(conn, event); });
    if (r == ImResult::TransferFailed)
        event.Clear();
    return r;
}

namespace {

ImResult Exchange(ImConnection& conn, std::string_view request, LineList& reply)
{
    // Every request but "MESSAGE" must fit its buffer; a cut request would lose its terminator
    // and put the stream out of step, so it is refused whole.
    if (request.size() > kRequestBufferSize - 1 && request.compare(0, 9, "MESSAGE\r\n") != 0)
        return ImResult::Failed;
    for (int attempt = 0; attempt < 2; ++attempt) {
        reply.Clear();
        if (!conn.connected || conn.socket.load() < 0)
            return ImResult::ConnectionClosed;
        std::string text;
        ImResult r = ImAuthorizeRequest(conn, request, text);
        if (r != ImResult::Ok)
            return r;
        if (!SendMultiLineLog(conn.number, conn.tls, conn.socket.load(), kTimeoutDefault, text,
                              conn.cancelFd)) {
            // Part of the request may be out: what follows would be out of step.
            ImDisconnect(conn);
            return ImResult::ConnectionClosed;
        }
        r = ImReadReply(conn, reply);
        if (r != ImResult::Ok) {
            if (BreaksStream(r))
                ImDisconnect(conn);
            return r;
        }
        if (reply.Tail().compare(0, 3, "401") != 0)
            return ImResult::Ok;
        static constexpr std::string_view kAuthenticate = "Authenticate:";
        for (const std::string& line : reply) {
            if (line.compare(0, kAuthenticate.size(), kAuthenticate) != 0)
                continue;
            std::string_view value(line);
            value.remove_prefix(kAuthenticate.size());
            while (!value.empty() && value.front() == ' ')
                value.remove_prefix(1);
            while (!value.empty() && value.back() == ' ')
                value.remove_suffix(1);
            ImRecordChallenge(conn, value);
            break;
        }
        if (conn.auth.lessSecure)
            return ImResult::LessSecureLogon;
    }
    return ImResult::Ok;
}

ImResult ReadEvent(ImConnection& conn, LineList& event)
{
    event.Clear();
    // Lines may wait unsplit since connecting (they came with the greeting).
    if (ConsumeLines(conn, nullptr) == ImResult::Ok && ExtractEvent(conn, event))
        return ImResult::Ok;
    if (!conn.connected || conn.socket.load() < 0)
        return ImResult::ConnectionClosed;
    for (int reads = 0; reads < kMaxReadsPerEventCall; ++reads) {
        bool closed = false;
        ImResult r = ReceiveChunk(conn, kTimeoutPoll, &closed);
        if (r == ImResult::TimedOut)
            break; // nothing more has arrived
        if (r == ImResult::Ok && !closed)
            r = ConsumeLines(conn, nullptr);
        if (r != ImResult::Ok || closed) {
            // Events completed before the failure are still handed out first.
            ImDisconnect(conn);
            if (ExtractEvent(conn, event))
                return ImResult::Ok;
            return closed ? ImResult::ConnectionClosed : r;
        }
        if (ExtractEvent(conn, event)) {
            NoteTlsPending(conn);
            return ImResult::Ok;
        }
    }
    NoteTlsPending(conn);
    return ImResult::NothingPending;
}

} // namespace

ImResult ImWaitEvent(ImConnection& conn, int timeoutCode)
{
    if (conn.queuedTerminators.load() > 0)
        return ImResult::Ok;
    return ImWaitReadable(conn, TimeoutMicroseconds(timeoutCode, Direction::Receive));
}

ImResult ImReplyCode(const std::string& statusLine, std::string& code, std::size_t size)
{
    code.clear();
    if (size < 4 || statusLine.size() < 3)
        return ImResult::NotFound;
    code = statusLine.substr(0, 3);
    return ImResult::Ok;
}

ImResult ImStatusToResult(std::string_view code)
{
    if (!code.empty() && code[0] == '2')
        return ImResult::Ok;
    if (code == "551")
        return ImResult::CharsetMismatch;
    if (code == "552")
        return ImResult::AlreadyPresent;
    if (code == "553")
        return ImResult::ServerCode553;
    if (code == "554")
        return ImResult::TooLarge;
    if (code == "555")
        return ImResult::ContentUnacceptable;
    return ImResult::Failed;
}

ImResult ImReplyResult(const LineList& reply)
{
    if (reply.Empty())
        return ImResult::Failed;
    std::string code;
    if (ImReplyCode(reply.Tail(), code) != ImResult::Ok)
        return ImResult::Failed;
    return ImStatusToResult(code);
}

} // namespace zep
