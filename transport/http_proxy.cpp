#include "transport/http_proxy.h"

#include "transport/http_message.h"
#include "transport/im_connection.h"
#include "transport/log_writer.h"
#include "transport/socket_io.h"
#include "transport/timeouts.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace zep {

namespace {

constexpr std::size_t kProxyReceiveSize = 32767;

// Appends one receive to `into`; TransferFailed on an error or when the proxy closed.
ImResult ReceiveMore(ImConnection& conn, std::string& into, std::size_t most,
                     const ReplyDeadline& deadline)
{
    char buffer[kProxyReceiveSize];
    std::size_t got = 0;
    ImResult r = ReceiveBytesBy(conn.number, nullptr, conn.socket.load(), deadline, buffer,
                                std::min(most, sizeof buffer), &got, conn.cancelFd);
    if (r != ImResult::Ok || got == 0)
        return ImResult::TransferFailed;
    into.append(buffer, got);
    return ImResult::Ok;
}

// A decimal Content-Length; absent, negative or unreadable values count as 0.
std::size_t ContentLength(const HttpMessage& reply)
{
    std::string value;
    if (!reply.HeaderValue("Content-Length:", value))
        return 0;
    std::size_t at = 0;
    while (at < value.size() && value[at] == ' ')
        ++at;
    std::size_t length = 0;
    for (; at < value.size() && std::isdigit(static_cast<unsigned char>(value[at])); ++at) {
        length = length * 10 + static_cast<std::size_t>(value[at] - '0');
        if (length > kMaxProxyBody)
            return length; // too large already; the caller refuses it
    }
    return length;
}

} // namespace

ImResult ProxyOpenTunnel(ImConnection& conn, const std::string& host, std::uint16_t port)
{
    // Standard proxies refuse a CONNECT line without a protocol version.
    HttpMessage request;
    request.Initialise();
    // An IPv6 address needs its brackets, or its last group would read as the port.
    const bool bare6 = host.find(':') != std::string::npos && host.front() != '[';
    const std::string authority = (bare6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
    ImResult r = request.AppendLine("CONNECT " + authority + " HTTP/1.0");
    if (r == ImResult::Ok)
        r = request.SetHeader("Content-Length: 0");
    if (r == ImResult::Ok)
        r = request.SetHeader("Date: " + FormatHttpDate(std::time(nullptr)));
    if (r != ImResult::Ok) {
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d proxy request refused for host %s",
                   conn.number, host.c_str());
        return r;
    }
    for (const std::string& line : request.Lines())
        LogWriteIf(ZepimLog(), kLogProtocol, 0, "%d %s", conn.number, line.c_str());
    r = request.Send(conn.number, nullptr, conn.socket.load(), conn.cancelFd);
    if (r != ImResult::Ok)
        return r;

    // The header block, received in pieces of any size, and the body: all of it within the one
    // time-out, so a proxy that trickles cannot hold the connect for ever.
    const ReplyDeadline deadline;
    std::string received;
    std::size_t blockLength = 0;
    while (blockLength == 0) {
        if (received.size() > kMaxProxyHeaderBlock) {
            LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d proxy reply header too long",
                       conn.number);
            return ImResult::TransferFailed;
        }
        std::size_t searched = received.size() >= 3 ? received.size() - 3 : 0;
        r = ReceiveMore(conn, received, kProxyReceiveSize, deadline);
        if (r != ImResult::Ok) {
            LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d proxy reply incomplete", conn.number);
            return r;
        }
        blockLength = HeaderBlockLength(received, searched);
    }
    if (blockLength > kMaxProxyHeaderBlock) {
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d proxy reply header too long", conn.number);
        return ImResult::TransferFailed;
    }

    HttpMessage reply;
    reply.Initialise();
    r = reply.ParseHeaderBlock(received);
    if (r != ImResult::Ok)
        return r;
    for (const std::string& line : reply.Lines())
        LogWriteIf(ZepimLog(), kLogProtocol, 0, "%d %s", conn.number, line.c_str());

    const std::size_t bodyLength = ContentLength(reply);
    if (bodyLength > kMaxProxyBody) {
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d proxy reply body too long (%zu)",
                   conn.number, bodyLength);
        return ImResult::TransferFailed;
    }
    // A proxy that closes before its body is complete leaves nothing to tunnel through; the
    // greeting read reports that.
    while (received.size() - blockLength < bodyLength &&
           ReceiveMore(conn, received, blockLength + bodyLength - received.size(), deadline) ==
               ImResult::Ok) {
    }

    const std::string& status = reply.Lines().empty() ? std::string() : reply.Lines().front();
    std::size_t space = status.find(' ');
    if (space == std::string::npos) {
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d proxy reply without status: %s", conn.number,
                   status.c_str());
        return ImResult::NotFound;
    }
    std::string code = status.substr(space + 1, 3);
    if (code.empty() || code[0] != '2') {
        LogWriteIf(ZepimLog(), kLogFailure, 99999, "%d proxy refused the tunnel: %s", conn.number,
                   status.c_str());
        return ImResult::Failed;
    }
    // What came after the proxy's reply is the server's: its greeting, for one.
    if (received.size() > blockLength + bodyLength)
        conn.pendingInput.append(received, blockLength + bodyLength);
    return ImResult::Ok;
}

} // namespace zep
