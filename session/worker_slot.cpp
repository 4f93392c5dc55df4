#include "session/worker_slot.h"

#include <utility>

namespace zep {

bool WorkerControl::WaitForStop(std::chrono::milliseconds interval)
{
    std::unique_lock guard(m_lock);
    return m_wake.wait_for(guard, interval, [this] { return m_stop.load(); });
}

WorkerControl::Wake WorkerControl::WaitForStopOrNudge(std::chrono::milliseconds interval)
{
    std::unique_lock guard(m_lock);
    m_wake.wait_for(guard, interval, [this] { return m_stop.load() || m_nudged; });
    if (m_stop.load())
        return Wake::Stopped;
    return std::exchange(m_nudged, false) ? Wake::Nudged : Wake::TimedOut;
}

void WorkerControl::Nudge()
{
    std::lock_guard guard(m_lock);
    m_nudged = true;
    m_wake.notify_all();
}

void WorkerControl::RequestStop()
{
    std::lock_guard guard(m_lock);
    m_stop.store(true);
    m_wake.notify_all();
}

void WorkerControl::MarkFinished()
{
    std::lock_guard guard(m_lock);
    m_finished = true;
    m_wake.notify_all();
}

bool WorkerControl::WaitFinished(std::chrono::milliseconds interval)
{
    std::unique_lock guard(m_lock);
    return m_wake.wait_for(guard, interval, [this] { return m_finished; });
}

WorkerSlot::~WorkerSlot()
{
    StopWait();
}

void WorkerSlot::Start(Body body)
{
    StopWait();
    std::lock_guard guard(m_lock);
    auto control = std::make_shared<WorkerControl>();
    const std::uint64_t serial = ++m_serial;
    m_control = control;
    m_running = true;
    // The thread takes the slot lock before its body runs, so the handle is in place first.
    m_thread = std::thread([this, control, serial, body = std::move(body)] {
        {
            std::lock_guard started(m_lock);
        }
        body(*control);
        control->MarkFinished();
        std::lock_guard ended(m_lock);
        if (m_serial == serial)
            m_running = false;
    });
}

int WorkerSlot::StopWait(const std::function<void()>& wake)
{
    std::thread thread;
    std::shared_ptr<WorkerControl> control;
    {
        std::lock_guard guard(m_lock);
        control = m_control;
        if (control)
            control->RequestStop();
        thread = std::move(m_thread);
    }
    if (thread.joinable()) {
        // A worker may enter a blocking call after the first wake-up, so wake it until it ends.
        if (wake) {
            do
                wake();
            while (!control->WaitFinished(std::chrono::milliseconds(100)));
        }
        thread.join();
    }
    std::lock_guard guard(m_lock);
    return m_running && m_thread.joinable() ? -1 : 0;
}

void WorkerSlot::Nudge()
{
    std::lock_guard guard(m_lock);
    if (m_control && m_running)
        m_control->Nudge();
}

bool WorkerSlot::Running() const
{
    std::lock_guard guard(m_lock);
    return m_running;
}

} // namespace zep
