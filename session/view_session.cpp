#include "session/view_session.h"

#include "protocol/framing.h"
#include "protocol/requests.h"
#include "session/client_connection.h"
#include "transport/im_connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <new>

namespace zep {

namespace {

// Seconds the reader waits for data before it looks again. Stopping, a request that queued
// events or left TLS data buffered, and a closed socket all wake it at once, so this is only
// a safety net; a short one would wake an idle messenger every second for nothing.
constexpr int kReaderWaitSeconds = 60;

} // namespace

ViewTiming& CurrentViewTiming()
{
    static ViewTiming timing;
    return timing;
}

bool IsTransportFailure(ImResult result)
{
    return result == ImResult::ConnectionClosed || result == ImResult::TimedOut ||
           result == ImResult::TransferFailed || result == ImResult::SelectFailed;
}

ViewSession::ViewSession(ClientConnection& connection, Handlers handlers)
    : m_connection(connection), m_handlers(std::move(handlers))
{
}

ViewSession::~ViewSession()
{
    Stop();
    // Answers the UI has not taken yet outlive the session: their owners (an offline-message
    // window, the options sheet) wait for them. Events and the session's own calls go with it.
    std::lock_guard lock(m_handLock);
    for (Waiting& waiting : m_waiting) {
        if (waiting.answer && QCoreApplication::instance() != nullptr)
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(waiting.call),
                                      Qt::QueuedConnection);
    }
    m_waiting.clear();
}

void ViewSession::Start()
{
    m_requests = std::thread([this] { RequestLoop(); });
    m_receive = std::thread([this] { ReceiveLoop(); });
    m_keepAlive = std::thread([this] { KeepAliveLoop(); });
}

void ViewSession::Stop()
{
    // Only the first stop cancels the connection: by the time the view is deleted, the
    // connection may already serve the next logon.
    if (m_stop.exchange(true))
        return;
    {
        std::lock_guard lock(m_queueLock);
        m_queueWake.notify_all();
    }
    {
        std::lock_guard lock(m_sleepLock);
        m_sleepWake.notify_all();
    }
    {
        std::lock_guard lock(m_handLock);
        m_handRoom.notify_all();
    }
    // A request stuck in an exchange (up to the 240 s time-out) or the reader's wait ends now.
    m_connection.Wake();
    // No worker waits for this thread (results are posted, never sent), so joining is safe.
    for (std::thread* t : {&m_keepAlive, &m_receive, &m_requests}) {
        if (t->joinable())
            t->join();
    }
    CancelQueued();
}

void ViewSession::Enqueue(Job job)
{
    {
        std::lock_guard lock(m_queueLock);
        if (!m_stop) {
            m_queue.push_back(std::move(job));
            m_queueWake.notify_one();
            return;
        }
    }
    // Too late to run: answered as if the connection had closed under it.
    HandOver(job.cancel(), true);
}

void ViewSession::CancelQueued()
{
    std::deque<Job> left;
    {
        std::lock_guard lock(m_queueLock);
        left.swap(m_queue);
    }
    for (Job& job : left)
        HandOver(job.cancel(), true);
}

void ViewSession::RequestLoop()
{
    while (true) {
        Job job;
        {
            std::unique_lock lock(m_queueLock);
            m_queueWake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        ImConnection* conn = m_connection.Connection();
        std::lock_guard app(m_connection.AppLock());
        try {
            HandOver(job.run(*conn), true);
        } catch (const std::bad_alloc&) {
            // Memory ran out over what the server sent: the connection ends, the process not.
            ImDisconnect(*conn);
            HandOver(job.cancel(), true);
        }
    }
}

void ViewSession::Fill(ImConnection& conn)
{
    auto fill = std::make_shared<ViewFill>();
    std::vector<ContactRecordUtf8> listed;
    if (ImListContacts(conn, ListType::Contact, listed) == ImResult::Ok) {
        fill->listed = true;
        // Nobody is online until the server says so.
        for (ContactRecordUtf8& r : listed)
            r.status = PresenceStatus::Unavailable;
        // One batch per request, so that a view being stopped does not wait for the rest.
        for (std::size_t first = 0; first < listed.size() && !m_stop; first += kSubscribeBatch) {
            const std::size_t last = std::min(listed.size(), first + kSubscribeBatch);
            std::vector<ContactRecordUtf8> batch(listed.begin() + first, listed.begin() + last);
            if (ImSubscribe(conn, batch) != ImResult::Ok)
                break; // a failure keeps what was listed
            std::move(batch.begin(), batch.end(), listed.begin() + first);
        }
        for (const ContactRecordUtf8& r : listed) {
            ContactRecord wide;
            if (ToUtf16(r, wide) == ImResult::Ok)
                fill->contacts.push_back(std::move(wide));
        }
    }
    long long count = 0;
    if (!m_stop && ImKeepAlive(conn, CurrentViewTiming().activityTick(), count) == ImResult::Ok) {
        fill->keepAliveOk = true;
        fill->mailCount = count;
        ++m_keepAlives;
    }
    HandOver([this, fill] {
        if (m_handlers.filled)
            m_handlers.filled(*fill);
    });
}

void ViewSession::ReceiveLoop()
{
    ImConnection* conn = m_connection.Connection();
    {
        // Creation's requests: the result is queued before AppLock is released, so it is
        // applied before any event that follows it on the wire.
        std::lock_guard app(m_connection.AppLock());
        try {
            Fill(*conn);
        } catch (const std::bad_alloc&) {
            ImDisconnect(*conn); // the loop below reports the closed connection
        }
    }
    while (!m_stop) {
        // While the UI is behind, the socket is not read: the server is slowed by TCP.
        WaitForRoom();
        if (m_stop)
            break;
        const ImResult waited = ImWaitEvent(*conn, kReaderWaitSeconds);
        if (m_stop)
            break;
        if (waited == ImResult::TimedOut)
            continue;
        LineList lines;
        ImResult read;
        {
            std::lock_guard app(m_connection.AppLock());
            read = ImReadEvent(*conn, lines);
            if (read == ImResult::Ok) {
                try {
                    HandOverEvent(std::make_shared<ServerEvent>(ServerEventFromLines(lines)));
                    continue;
                } catch (const std::bad_alloc&) {
                    ImDisconnect(*conn);
                    read = ImResult::TransferFailed;
                }
            }
        }
        if (read == ImResult::ConnectionClosed || read == ImResult::TransferFailed ||
            waited == ImResult::ConnectionClosed) {
            // After every event read before it.
            if (!m_stop)
                HandOver([this] {
                    if (m_handlers.connectionLost)
                        m_handlers.connectionLost();
                });
            return;
        }
    }
}

std::size_t ViewSession::MostWaiting() const
{
    std::lock_guard lock(m_handLock);
    return m_mostWaiting;
}

void ViewSession::PostDrain()
{
    // Called with m_handLock held.
    if (m_drainPosted)
        return;
    m_drainPosted = true;
    QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
}

void ViewSession::HandOver(std::function<void()> call, bool answer)
{
    std::lock_guard lock(m_handLock);
    // Nothing merges across a result: a PRESENCE after it is applied after it.
    m_presenceAt.clear();
    Waiting waiting;
    waiting.call = std::move(call);
    waiting.answer = answer;
    m_waiting.push_back(std::move(waiting));
    PostDrain();
}

void ViewSession::HandOverEvent(std::shared_ptr<ServerEvent> event)
{
    std::size_t bytes = sizeof(ServerEvent);
    for (const std::u16string& line : event->lines)
        bytes += sizeof(std::u16string) + line.size() * sizeof(char16_t);
    const bool presence = ServerEventKind(*event) == EventKind::Presence;
    std::u16string key = presence ? HeaderValue(*event, u"Email", kEmailSize) : std::u16string();
    for (char16_t& c : key)
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
    std::lock_guard lock(m_handLock);
    if (!key.empty()) {
        // A later PRESENCE of the same address takes the waiting one's place: the list ends as
        // if both had been applied (each carries every field), the order stays the first's.
        if (const auto it = m_presenceAt.find(key); it != m_presenceAt.end()) {
            Waiting& waiting = m_waiting[it->second - m_firstSeq];
            m_waitingBytes = m_waitingBytes - waiting.bytes + bytes;
            waiting.event = std::move(event);
            waiting.bytes = bytes;
            return;
        }
        m_presenceAt.emplace(key, m_firstSeq + m_waiting.size());
    } else if (!presence) {
        m_presenceAt.clear(); // SESSION, MESSAGE and the others: nothing merges across them
    }
    Waiting waiting;
    waiting.event = std::move(event);
    waiting.presenceKey = std::move(key);
    waiting.bytes = bytes;
    m_waiting.push_back(std::move(waiting));
    ++m_waitingEvents;
    m_waitingBytes += bytes;
    m_mostWaiting = std::max(m_mostWaiting, m_waitingEvents);
    PostDrain();
}

void ViewSession::WaitForRoom()
{
    std::unique_lock lock(m_handLock);
    if (m_waitingEvents < kMaxWaitingEvents && m_waitingBytes < kMaxWaitingBytes)
        return;
    // Full: read again once half of it is done, not after every single event.
    m_handRoom.wait(lock, [this] {
        return m_stop ||
               (m_waitingEvents <= kMaxWaitingEvents / 2 && m_waitingBytes <= kMaxWaitingBytes / 2);
    });
}

void ViewSession::Drain()
{
    // Work in slices, so the window paints and timers run during a flood.
    constexpr std::size_t kSlice = 64;
    constexpr qint64 kBudgetMs = 8;
    QElapsedTimer clock;
    clock.start();
    while (true) {
        std::vector<Waiting> batch;
        {
            std::lock_guard lock(m_handLock);
            if (m_waiting.empty()) {
                m_drainPosted = false;
                break;
            }
            const std::size_t n = std::min(m_waiting.size(), kSlice);
            batch.reserve(n);
            for (std::size_t i = 0; i < n; ++i) {
                Waiting& front = m_waiting.front();
                if (front.event) {
                    --m_waitingEvents;
                    m_waitingBytes -= front.bytes;
                    if (!front.presenceKey.empty()) {
                        const auto it = m_presenceAt.find(front.presenceKey);
                        if (it != m_presenceAt.end() && it->second == m_firstSeq)
                            m_presenceAt.erase(it);
                    }
                }
                batch.push_back(std::move(front));
                m_waiting.pop_front();
                ++m_firstSeq;
            }
        }
        m_handRoom.notify_all();
        for (Waiting& waiting : batch) {
            if (waiting.event) {
                if (m_handlers.event)
                    m_handlers.event(*waiting.event);
            } else if (waiting.call) {
                waiting.call();
            }
        }
        if (clock.elapsed() >= kBudgetMs) {
            QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
            return; // m_drainPosted stays set: this slice's successor is on its way
        }
    }
}

void ViewSession::KeepAliveLoop()
{
    const ViewTiming& timing = CurrentViewTiming();
    auto next = std::chrono::steady_clock::now() + timing.keepAliveInterval;
    std::unique_lock lock(m_sleepLock);
    while (!m_stop) {
        // While the user is active nothing needs looking at before the next keep-alive is due;
        // once the server has called them idle (the watch is armed), look for their return
        // every watchPoll. Arming wakes this loop to shorten its sleep.
        auto until = next;
        if (WatchArmed())
            until = std::min(until, std::chrono::steady_clock::now() + timing.watchPoll);
        m_sleepWake.wait_until(lock, until, [this] { return m_stop.load() || m_watchNews; });
        m_watchNews = false;
        if (m_stop)
            break;
        ++m_wakeUps;
        const bool fired = ActivityWatchFired();
        if (fired || std::chrono::steady_clock::now() >= next) {
            next = std::chrono::steady_clock::now() + timing.keepAliveInterval;
            QMetaObject::invokeMethod(this, "KeepAliveDue", Qt::QueuedConnection);
        }
    }
}

void ViewSession::KeepAliveDue()
{
    if (m_handlers.keepAliveDue)
        m_handlers.keepAliveDue();
}

void ViewSession::ArmActivityWatch()
{
    {
        std::lock_guard view(m_watchLock);
        m_watchArmed = true;
        m_watchTick = CurrentViewTiming().activityTick();
    }
    std::lock_guard sleep(m_sleepLock);
    m_watchNews = true;
    m_sleepWake.notify_all();
}

bool ViewSession::WatchArmed()
{
    std::lock_guard view(m_watchLock);
    return m_watchArmed;
}

bool ViewSession::ActivityWatchFired()
{
    const std::uint32_t now = CurrentViewTiming().activityTick();
    std::lock_guard view(m_watchLock);
    if (!m_watchArmed || now == m_watchTick)
        return false;
    m_watchArmed = false;
    return true;
}

} // namespace zep
