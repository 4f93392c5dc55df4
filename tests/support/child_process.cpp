#include "child_process.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zep::test {

ChildProcess::~ChildProcess()
{
    Stop();
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const std::string& directory)
{
    Stop(); // a second start begins afresh
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        m_output.clear();
        m_ended = false;
    }
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    if (pipe2(in, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    if (!directory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int rc = posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    if (rc != 0) {
        m_pid = -1;
        ::close(in[1]);
        ::close(out[0]);
        return false;
    }
    m_input = in[1];
    m_reader = std::thread([this, fd = out[0]] { ReadOutput(fd); });
    return true;
}

void ChildProcess::ReadOutput(int fd)
{
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        std::lock_guard<std::mutex> guard(m_mutex);
        if (n <= 0) {
            m_ended = true;
            m_changed.notify_all();
            break;
        }
        m_output.append(buffer, static_cast<std::size_t>(n));
        m_changed.notify_all();
    }
    ::close(fd);
}

std::string ChildProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit)
{
    std::unique_lock<std::mutex> guard(m_mutex);
    m_changed.wait_for(guard, limit, [&] {
        std::size_t at = m_output.find(text);
        return m_ended || (at != std::string::npos && m_output.find('\n', at) != std::string::npos);
    });
    std::size_t at = m_output.find(text);
    if (at == std::string::npos)
        return {};
    std::size_t start = m_output.rfind('\n', at);
    start = start == std::string::npos ? 0 : start + 1;
    std::size_t end = m_output.find('\n', at);
    return m_output.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string ChildProcess::Output()
{
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_output;
}

bool ChildProcess::WriteInput(const std::string& text)
{
    std::size_t done = 0;
    while (m_input >= 0 && done < text.size()) {
        ssize_t n = ::write(m_input, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return m_input >= 0;
}

void ChildProcess::CloseInput()
{
    if (m_input >= 0)
        ::close(m_input);
    m_input = -1;
}

int ChildProcess::Wait(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return -1;
    // Its output ends when it does (or when it closes its output first).
    {
        std::unique_lock<std::mutex> guard(m_mutex);
        if (!m_changed.wait_for(guard, limit, [this] { return m_ended; }))
            return -1;
    }
    int status = 0;
    if (waitpid(m_pid, &status, 0) != m_pid)
        return -1;
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void ChildProcess::Stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        bool ended = false;
        for (int i = 0; i < 100 && !ended; ++i) {
            if (waitpid(m_pid, &status, WNOHANG) == m_pid)
                ended = true;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (!ended) {
            ::kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
    }
    if (m_input >= 0) {
        ::close(m_input);
        m_input = -1;
    }
    if (m_reader.joinable())
        m_reader.join();
}

unsigned short FreeLoopbackPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    unsigned short port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

bool WaitForListener(unsigned short port, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
        ::close(fd);
        if (up)
            return true;
        // The program is starting; there is no event to wait on but its listening socket.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zeptest.XXXXXX").string();
    if (mkdtemp(pattern.data()))
        m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

bool TempDir::Write(const std::string& name, const std::string& content) const
{
    std::ofstream file(File(name), std::ios::binary | std::ios::trunc);
    file << content;
    return static_cast<bool>(file);
}

bool StartSessionBus(ChildProcess& daemon)
{
    std::string address;
    if (daemon.Start({"dbus-daemon", "--session", "--nofork", "--print-address"}))
        address = daemon.WaitForOutput("unix:");
    while (!address.empty() && (address.back() == '\n' || address.back() == '\r'))
        address.pop_back();
    if (address.empty()) {
        std::fprintf(stderr, "no session bus could be started (dbus-daemon)\n");
        return false;
    }
    return ::setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1) == 0;
}

} // namespace zep::test
