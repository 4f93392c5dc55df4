// One worker thread slot with its stop flag: the logon lifecycle's logon and reconnect workers
// live here.
// The handle is stored before the thread runs, the thread clears the slot only while the slot
// still holds it, and a stopped thread is always joined.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace zep {

// What a worker sees of its slot: its stop flag, and a wait that ends early when it is set.
class WorkerControl
{
public:
    bool StopRequested() const { return m_stop.load(); }
    const std::atomic<bool>& StopFlag() const { return m_stop; }
    // Waits up to `interval`; true when the wait ended because of a stop request.
    bool WaitForStop(std::chrono::milliseconds interval);
    // As WaitForStop, but a nudge (the network is back) also ends the wait early.
    enum class Wake
    {
        TimedOut,
        Stopped,
        Nudged,
    };
    Wake WaitForStopOrNudge(std::chrono::milliseconds interval);

private:
    friend class WorkerSlot;
    void RequestStop();
    void Nudge();
    void MarkFinished();
    bool WaitFinished(std::chrono::milliseconds interval);

    std::atomic<bool> m_stop{false};
    bool m_finished = false;
    bool m_nudged = false;
    std::mutex m_lock;
    std::condition_variable m_wake;
};

class WorkerSlot
{
public:
    using Body = std::function<void(WorkerControl&)>;

    WorkerSlot() = default;
    ~WorkerSlot();
    WorkerSlot(const WorkerSlot&) = delete;
    WorkerSlot& operator=(const WorkerSlot&) = delete;

    // Stops any running worker, then starts `body` on a new thread.
    void Start(Body body);
    // Sets the stop flag, runs `wake` (to unblock a worker waiting on the network) and joins.
    // Returns 0 when no worker is left running.
    int StopWait(const std::function<void()>& wake = {});
    bool Running() const;
    // Ends the running worker's WaitForStopOrNudge at once (or its next one).
    void Nudge();

private:
    mutable std::mutex m_lock;
    std::thread m_thread;
    std::shared_ptr<WorkerControl> m_control;
    std::uint64_t m_serial = 0;
    bool m_running = false;
};

} // namespace zep
