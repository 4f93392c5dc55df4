// The logged-on session behind the main view, without widgets: the event reader, the
// keep-alive schedule and the request worker, and the one first-in-first-out hand-over of
// their results and events to the UI thread.
//
// Every request runs on the worker under AppLock and queues its result to the UI thread before
// it releases the lock; the reader takes AppLock to read an event and queues it the same way.
// So the UI sees results and events in the order the connection saw them.
#pragma once

#include "protocol/contact_record.h"
#include "protocol/server_event.h"

#include <QObject>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace zep {

class ClientConnection;
struct ImConnection;

// Time and input sources of the view; tests shorten the interval and drive the tick.
struct ViewTiming
{
    std::chrono::milliseconds keepAliveInterval{60000};
    // How often an idle user's return is looked for (the keep-alive follows within this).
    std::chrono::milliseconds watchPoll{1000};
    std::function<std::uint32_t()> activityTick = [] { return 0u; };
};
ViewTiming& CurrentViewTiming();

// What the creation requests fetched: contacts with their presence, and the mail count.
struct ViewFill
{
    std::vector<ContactRecord> contacts;
    bool listed = false;
    bool keepAliveOk = false;
    long long mailCount = 0;
};

// True for the results that mean the connection is gone.
bool IsTransportFailure(ImResult result);

// The answer a request gets when the connection closed before it could run: the failure value
// its owner already handles (ConnectionClosed, false, nothing found). Requests whose answer has
// none of these shapes name their own.
template <typename R> struct IsOptional : std::false_type
{
};
template <typename T> struct IsOptional<std::optional<T>> : std::true_type
{
};
template <typename R> R ClosedAnswer()
{
    if constexpr (std::is_same_v<R, ImResult>) {
        return ImResult::ConnectionClosed;
    } else if constexpr (std::is_same_v<R, bool> || IsOptional<R>::value) {
        return R{};
    } else if constexpr (requires(R r) { r.result = ImResult::ConnectionClosed; }) {
        R r{};
        r.result = ImResult::ConnectionClosed;
        return r;
    } else {
        static_assert(
            requires(R r) { r.first = ImResult::ConnectionClosed; },
            "name the answer of a closed connection for this request");
        R r{};
        r.first = ImResult::ConnectionClosed;
        return r;
    }
}

// How much work may wait for the UI thread before the event reader stops reading the socket
// (then TCP flow control slows the server down instead of the messenger growing). A waiting
// PRESENCE takes in every later one of its address, so room for a few thousand events lets a
// flood for a large contact list merge instead of stall; a full queue is a few megabytes and a
// few tenths of a second of the UI's work.
inline constexpr std::size_t kMaxWaitingEvents = 4096;
inline constexpr std::size_t kMaxWaitingBytes = 8u * 1024u * 1024u;

class ViewSession : public QObject
{
    Q_OBJECT
public:
    struct Handlers
    {
        std::function<void(const ViewFill&)> filled;
        std::function<void(const ServerEvent&)> event;
        std::function<void()> keepAliveDue;
        std::function<void()> connectionLost;
    };

    ViewSession(ClientConnection& connection, Handlers handlers);
    ~ViewSession() override;

    // Starts the reader (which makes the creation requests first), the keep-alive schedule and
    // the request worker.
    void Start();
    // Sets the stop flag, cancels every wait on the connection and joins the threads. The UI
    // returns at once even when a request or a connect is stuck on the network.
    void Stop();
    bool Stopping() const { return m_stop.load(); }

    // Runs `job` on the request worker under AppLock; `done` gets its result on the UI thread,
    // handed over before the lock is released, and only while `context` lives. Every request is
    // answered exactly once: one that cannot run any more (the session stopped before its turn)
    // gets `closed` through the same hand-over, after everything queued before it.
    template <typename R>
    void Request(std::function<R(ImConnection&)> job, QObject* context, std::function<void(R)> done)
    {
        Request<R>(std::move(job), context, std::move(done), ClosedAnswer<R>());
    }
    template <typename R>
    void Request(std::function<R(ImConnection&)> job, QObject* context, std::function<void(R)> done,
                 R closed)
    {
        QPointer<QObject> guard(context);
        auto answer = [guard, done = std::move(done)](R result) {
            return [guard, done, result = std::make_shared<R>(std::move(result))] {
                if (guard && done)
                    done(std::move(*result));
            };
        };
        Job queued;
        queued.cancel = [answer, closed = std::move(closed)] { return answer(closed); };
        queued.run = [job = std::move(job), answer](ImConnection& conn) {
            return std::function<void()>(answer(job(conn)));
        };
        Enqueue(std::move(queued));
    }

    // The most events that waited for the UI at once so far (tests and benchmarks).
    std::size_t MostWaiting() const;

    // The activity watch: armed by the user's own PRESENCE, fired by the next input.
    void ArmActivityWatch();

    int KeepAlivesSent() const { return m_keepAlives.load(); }
    void CountKeepAlive() { ++m_keepAlives; }
    // How often the keep-alive thread has woken (for the tests of quiet idling).
    int KeepAliveWakeUps() const { return m_wakeUps.load(); }

private:
    // The one first-in-first-out hand-over to the UI thread: results, events, the fill and the
    // end of the connection, in the order the connection saw them.
    struct Job
    {
        // Runs on the worker and returns what the UI thread is to do with the result.
        std::function<std::function<void()>(ImConnection&)> run;
        // What the UI thread is to do instead when the job never runs.
        std::function<std::function<void()>()> cancel;
    };
    struct Waiting
    {
        std::shared_ptr<ServerEvent> event; // or
        std::function<void()> call;
        // The call answers a request; it touches nothing of the session, so it may outlive it.
        bool answer = false;
        std::u16string presenceKey; // the folded address of a PRESENCE that others may join
        std::size_t bytes = 0;
    };
    void HandOver(std::function<void()> call, bool answer = false);
    void HandOverEvent(std::shared_ptr<ServerEvent> event);
    void PostDrain();
    // Both are posted from the session's threads by name, so the queued call carries nothing
    // those threads wrote: what they hand over goes through m_handLock alone.
    Q_INVOKABLE void Drain();
    Q_INVOKABLE void KeepAliveDue();
    // The reader waits here, holding no lock, until the UI has caught up.
    void WaitForRoom();

    void Enqueue(Job job);
    // Hands the answers of the jobs that will never run over, in their order.
    void CancelQueued();
    void ReceiveLoop();
    void KeepAliveLoop();
    void RequestLoop();
    bool ActivityWatchFired();
    bool WatchArmed();
    void Fill(ImConnection& conn);

    ClientConnection& m_connection;
    Handlers m_handlers;

    // ViewLock: the activity watch.
    std::mutex m_watchLock;
    bool m_watchArmed = false;
    std::uint32_t m_watchTick = 0;

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_keepAlives{0};
    std::thread m_receive;
    std::thread m_keepAlive;
    std::thread m_requests;
    std::mutex m_queueLock;
    std::condition_variable m_queueWake;
    std::deque<Job> m_queue;
    std::mutex m_sleepLock;
    std::condition_variable m_sleepWake;
    bool m_watchNews = false; // under m_sleepLock: the watch was armed since the last look
    std::atomic<int> m_wakeUps{0};

    mutable std::mutex m_handLock;
    std::condition_variable m_handRoom;
    std::deque<Waiting> m_waiting;
    std::uint64_t m_firstSeq = 0; // the sequence number of m_waiting.front()
    // Folded address -> sequence number of its waiting PRESENCE, since the last other item.
    std::unordered_map<std::u16string, std::uint64_t> m_presenceAt;
    std::size_t m_waitingEvents = 0;
    std::size_t m_waitingBytes = 0;
    std::size_t m_mostWaiting = 0;
    bool m_drainPosted = false;
};

} // namespace zep
