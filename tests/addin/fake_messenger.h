// A messenger on the test's private session bus: it owns the messenger's name, answers the
// MessengerControl procedures from a script on a thread of its own (or never answers), records
// every call and can send StateChanged.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct sd_bus;
struct sd_bus_message;
struct sd_bus_slot;

namespace zep::test {

class FakeMessenger
{
public:
    struct Answers
    {
        bool silent = false;                         // keep every call unanswered
        bool badReply = false;                       // answer every call with one string
        std::map<std::string, std::int32_t> results; // by method; 0 when not listed
        bool visible = true;
        bool loggedOn = true;
        std::int32_t status = 0;
        std::int32_t subStatus = 0;
        std::uint8_t canSendIm = 1;
        std::uint8_t canSendSms = 0;
        std::uint8_t canSendPager = 0;
        std::uint8_t known = 1;
    };

    explicit FakeMessenger(Answers answers);
    ~FakeMessenger();
    FakeMessenger(const FakeMessenger&) = delete;
    FakeMessenger& operator=(const FakeMessenger&) = delete;

    // Connects to the session bus and takes the name; false when either fails.
    bool Start();
    void Stop();

    std::vector<std::string> Calls();
    // Waits until at least `count` calls were received.
    bool WaitForCalls(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5));
    void EmitStateChanged(bool visible, bool loggedOn);

    // For the bus callback.
    int OnMessage(sd_bus_message* message);

private:
    void Run();
    void Post(std::function<void()> task);

    Answers m_answers;
    sd_bus* m_bus = nullptr;
    sd_bus_slot* m_object = nullptr;
    int m_wake = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_calls;
    std::vector<std::function<void()>> m_tasks;
    std::vector<sd_bus_message*> m_unanswered;
};

} // namespace zep::test
