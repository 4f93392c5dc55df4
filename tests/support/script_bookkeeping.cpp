#include "script_bookkeeping.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zep::test {

int ListenOnLoopback(int backlog, std::uint16_t& port)
{
    port = 0;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, backlog) != 0)
        return fd;
    socklen_t length = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    port = ntohs(addr.sin_port);
    return fd;
}

ScriptBookkeeping::ScriptBookkeeping()
{
    m_listen = ListenOnLoopback(4, m_port);
}

ScriptBookkeeping::~ScriptBookkeeping()
{
    if (m_client >= 0)
        ::close(m_client);
    if (m_listen >= 0)
        ::close(m_listen);
}

int ScriptBookkeeping::Accept()
{
    const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    std::lock_guard<std::mutex> guard(m_mutex);
    m_client = fd;
    return fd;
}

void ScriptBookkeeping::CloseClient()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_client < 0)
        return;
    ::shutdown(m_client, SHUT_RDWR);
    ::close(m_client);
    m_client = -1;
}

void ScriptBookkeeping::ShutdownClient()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_client >= 0)
        ::shutdown(m_client, SHUT_RDWR);
}

void ScriptBookkeeping::Interrupt()
{
    Release();
    std::lock_guard<std::mutex> guard(m_mutex);
    if (m_client >= 0)
        ::shutdown(m_client, SHUT_RDWR);
    ::shutdown(m_listen, SHUT_RDWR);
}

void ScriptBookkeeping::Append(const char* data, std::size_t size)
{
    m_buffer.append(data, size);
    std::lock_guard<std::mutex> guard(m_mutex);
    m_received.append(data, size);
}

void ScriptBookkeeping::Record(std::size_t length)
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_requests.push_back(m_buffer.substr(0, length));
    m_buffer.erase(0, length);
    m_changed.notify_all();
}

bool ScriptBookkeeping::TakeRequest()
{
    std::size_t end = std::string::npos;
    if (m_buffer.compare(0, 3, ".\r\n") == 0)
        end = 3;
    else if (std::size_t at = m_buffer.find("\r\n.\r\n"); at != std::string::npos)
        end = at + 5;
    if (end == std::string::npos)
        return false;
    Record(end);
    return true;
}

bool ScriptBookkeeping::TakeUntil(std::string_view terminator)
{
    const std::size_t at = m_buffer.find(terminator);
    if (at == std::string::npos)
        return false;
    Record(at + terminator.size());
    return true;
}

std::vector<std::string> ScriptBookkeeping::Requests()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_requests;
}

std::string ScriptBookkeeping::Received()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_received;
}

bool ScriptBookkeeping::WaitForRequests(std::size_t count, int ms)
{
    std::unique_lock<std::mutex> guard(m_mutex);
    return m_changed.wait_for(guard, std::chrono::milliseconds(ms),
                              [&] { return m_requests.size() >= count; });
}

void ScriptBookkeeping::WaitForRelease()
{
    std::unique_lock<std::mutex> guard(m_mutex);
    m_changed.wait(guard, [this] { return m_released; });
}

void ScriptBookkeeping::Release()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_released = true;
    m_changed.notify_all();
}

void ScriptBookkeeping::MarkFinished()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

bool ScriptBookkeeping::WaitForFinish(int ms)
{
    std::unique_lock<std::mutex> guard(m_mutex);
    return m_changed.wait_for(guard, std::chrono::milliseconds(ms), [this] { return m_finished; });
}

} // namespace zep::test
