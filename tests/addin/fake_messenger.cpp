#include "fake_messenger.h"

#include "rpc/messenger_control.h"

#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace zep::test {
namespace {

int Dispatch(sd_bus_message* message, void* userdata, sd_bus_error*)
{
    return static_cast<FakeMessenger*>(userdata)->OnMessage(message);
}

} // namespace

FakeMessenger::FakeMessenger(Answers answers) : m_answers(std::move(answers)) {}

FakeMessenger::~FakeMessenger()
{
    Stop();
}

bool FakeMessenger::Start()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address == nullptr || sd_bus_new(&m_bus) < 0)
        return false;
    if (sd_bus_set_address(m_bus, address) < 0 || sd_bus_set_bus_client(m_bus, 1) < 0 ||
        sd_bus_start(m_bus) < 0 || sd_bus_request_name(m_bus, rpc::kBusName, 0) < 0 ||
        sd_bus_add_object(m_bus, &m_object, rpc::kObjectPath, Dispatch, this) < 0) {
        m_object = sd_bus_slot_unref(m_object);
        m_bus = sd_bus_close_unref(m_bus);
        return false;
    }
    m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_thread = std::thread([this] { Run(); });
    return true;
}

void FakeMessenger::Stop()
{
    if (!m_thread.joinable())
        return;
    m_stop = true;
    const std::uint64_t one = 1;
    ssize_t ignored = ::write(m_wake, &one, sizeof one);
    (void)ignored;
    m_thread.join();
    for (sd_bus_message* m : m_unanswered)
        sd_bus_message_unref(m);
    m_unanswered.clear();
    m_object = sd_bus_slot_unref(m_object);
    m_bus = sd_bus_flush_close_unref(m_bus);
    ::close(m_wake);
    m_wake = -1;
}

void FakeMessenger::Run()
{
    while (!m_stop) {
        std::vector<std::function<void()>> tasks;
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            tasks.swap(m_tasks);
        }
        for (auto& task : tasks)
            task();
        const int r = sd_bus_process(m_bus, nullptr);
        if (r < 0)
            break;
        if (r > 0)
            continue;
        sd_bus_flush(m_bus);
        pollfd fds[2] = {{sd_bus_get_fd(m_bus), static_cast<short>(sd_bus_get_events(m_bus)), 0},
                         {m_wake, POLLIN, 0}};
        std::uint64_t usec = 0;
        int timeout = -1;
        if (sd_bus_get_timeout(m_bus, &usec) > 0 && usec != UINT64_MAX)
            timeout = 100; // a library timer: look again soon
        ::poll(fds, 2, timeout);
        if (fds[1].revents & POLLIN) {
            std::uint64_t n = 0;
            ssize_t ignored = ::read(m_wake, &n, sizeof n);
            (void)ignored;
        }
    }
}

void FakeMessenger::Post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    ssize_t ignored = ::write(m_wake, &one, sizeof one);
    (void)ignored;
}

int FakeMessenger::OnMessage(sd_bus_message* m)
{
    if (sd_bus_message_is_method_call(m, rpc::kInterfaceName, nullptr) <= 0)
        return 0;
    const std::string method = sd_bus_message_get_member(m);
    std::string call = method;
    const char* address = nullptr;
    if (std::strcmp(sd_bus_message_get_signature(m, 1), "s") == 0 &&
        sd_bus_message_read(m, "s", &address) > 0)
        call += std::string(" ") + address;
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_calls.push_back(call);
    }
    m_changed.notify_all();
    if (m_answers.silent) {
        m_unanswered.push_back(sd_bus_message_ref(m));
        return 1;
    }
    if (m_answers.badReply)
        return sd_bus_reply_method_return(m, "s", "nonsense");
    const auto it = m_answers.results.find(method);
    const std::int32_t result = it == m_answers.results.end() ? 0 : it->second;
    const bool ok = result == 0;
    if (method == "GetMessengerState")
        return sd_bus_reply_method_return(m, "iyy", result, ok && m_answers.visible ? 1 : 0,
                                          ok && m_answers.loggedOn ? 1 : 0);
    if (method == "GetContactDetails") {
        const Answers& a = m_answers;
        return sd_bus_reply_method_return(
            m, "iiiyyyy", result, ok ? a.status : 0, ok ? a.subStatus : 0, ok ? a.canSendIm : 0,
            ok ? a.canSendSms : 0, ok ? a.canSendPager : 0, ok ? a.known : 0);
    }
    return sd_bus_reply_method_return(m, "i", result);
}

std::vector<std::string> FakeMessenger::Calls()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_calls;
}

bool FakeMessenger::WaitForCalls(std::size_t count, std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_calls.size() >= count; });
}

void FakeMessenger::EmitStateChanged(bool visible, bool loggedOn)
{
    Post([this, visible, loggedOn] {
        sd_bus_emit_signal(m_bus, rpc::kObjectPath, rpc::kInterfaceName, rpc::kStateChangedSignal,
                           "yy", visible ? 1 : 0, loggedOn ? 1 : 0);
    });
}

} // namespace zep::test
