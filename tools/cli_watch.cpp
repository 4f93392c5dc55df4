// watch: prints every server event as one line until told to stop, keeping the session alive.

#include "protocol/framing.h"
#include "protocol/requests.h"
#include "protocol/server_event.h"
#include "tools/cli_options.h"
#include "tools/cli_run.h"
#include "tools/message_text.h"
#include "transport/im_connection.h"
#include "transport/timeouts.h"

#include <poll.h>

#include <charconv>
#include <chrono>
#include <mutex>
#include <optional>
#include <ostream>

namespace zep::cli {

namespace {

using Clock = std::chrono::steady_clock;

// What the event lines received but not yet printed may cost in memory: their text and about
// what each line costs besides. Events are printed as soon as they are complete, so only a
// server that floods (or never ends an event) gets near it; it is dropped, not buffered.
constexpr std::size_t kMaxWaitingCost = 16u * 1024u * 1024u;
constexpr std::size_t kCostPerLine = 64;

bool TooMuchWaiting(ImConnection& conn)
{
    std::lock_guard<std::recursive_mutex> guard(conn.lock);
    return conn.eventQueue.Bytes() + conn.eventQueue.Size() * kCostPerLine > kMaxWaitingCost;
}

std::optional<Clock::time_point> EndTime(const CliOptions& options)
{
    for (std::size_t i = 0; i + 1 < options.args.size(); ++i) {
        if (options.args[i] != "--seconds")
            continue;
        long long seconds = 0;
        const std::string& v = options.args[i + 1];
        std::from_chars(v.data(), v.data() + v.size(), seconds);
        return Clock::now() + std::chrono::seconds(seconds);
    }
    return std::nullopt;
}

void PrintEvent(CliSession& s, const LineList& lines)
{
    ServerEvent event = ServerEventFromLines(lines);
    bool isMessage = ServerEventKind(event) == EventKind::Message;
    *s.env.out << FormatEvent({lines.begin(), lines.end()}, isMessage) << "\n" << std::flush;
}

} // namespace

int RunWatch(CliSession& s)
{
    std::vector<ContactRecordUtf8> contacts;
    ImResult r = ImListContacts(s.conn, ListType::Contact, contacts);
    if (r != ImResult::Ok)
        return s.Fail("list contacts", r);
    r = ImSubscribe(s.conn, contacts);
    if (r != ImResult::Ok)
        return s.Fail("subscribe", r);
    *s.env.out << "READY\n" << std::flush;

    const std::optional<Clock::time_point> end = EndTime(s.options);
    const auto interval = std::chrono::milliseconds(s.env.keepAliveMs);
    Clock::time_point nextKeepAlive = Clock::now() + interval;
    while (true) {
        LineList event;
        r = ImReadEvent(s.conn, event);
        if ((r == ImResult::Ok || r == ImResult::NothingPending) && TooMuchWaiting(s.conn)) {
            ImDisconnect(s.conn);
            return s.Fail("watch: the server sent more event data than can wait to be printed",
                          ImResult::TransferFailed);
        }
        if (r == ImResult::Ok) {
            PrintEvent(s, event);
            continue;
        }
        if (r != ImResult::NothingPending)
            return s.Fail("watch", r);

        Clock::time_point now = Clock::now();
        if (end && now >= *end)
            return kExitOk;
        if (now >= nextKeepAlive) {
            long long count = 0;
            std::uint32_t activity = s.env.activity ? s.env.activity() : MonotonicMilliseconds();
            r = ImKeepAlive(s.conn, activity, count);
            if (r != ImResult::Ok)
                return s.Fail("keep-alive", r);
            nextKeepAlive = now + interval;
            continue;
        }
        // Data the TLS layer or the queue holds already is not visible to poll.
        if (ImWaitEvent(s.conn, kTimeoutPoll) == ImResult::Ok)
            continue;
        Clock::time_point wake = end ? std::min(*end, nextKeepAlive) : nextKeepAlive;
        auto waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        pollfd fds[2] = {{s.conn.socket.load(), POLLIN, 0}, {s.env.stopFd, POLLIN, 0}};
        int n =
            poll(fds, s.env.stopFd >= 0 ? 2 : 1, static_cast<int>(std::max<long long>(waitMs, 1)));
        if (n > 0 && s.env.stopFd >= 0 && (fds[1].revents & POLLIN))
            return kExitOk;
    }
}

} // namespace zep::cli
