#include "fake_server.h"

#include <chrono>
#include <sys/socket.h>

namespace zep::test {

FakeServer::FakeServer() = default;

FakeServer::~FakeServer()
{
    if (m_thread.joinable()) {
        // A script blocked in a read is ended by shutting its sockets down.
        m_book.Interrupt();
        m_thread.join();
    }
}

static void WriteAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

FakeServer& FakeServer::Send(std::string bytes)
{
    m_steps.push_back([bytes = std::move(bytes)](int fd) { WriteAll(fd, bytes); });
    return *this;
}

FakeServer& FakeServer::SendInPieces(std::string bytes, std::size_t piece, int pauseMs)
{
    m_steps.push_back([bytes = std::move(bytes), piece, pauseMs](int fd) {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            WriteAll(fd, bytes.substr(at, piece));
            if (pauseMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
    });
    return *this;
}

FakeServer& FakeServer::ReadRequest()
{
    m_steps.push_back([this](int fd) { ReadOneRequest(fd); });
    return *this;
}

FakeServer& FakeServer::ReadUntil(std::string terminator)
{
    m_steps.push_back([this, terminator = std::move(terminator)](int fd) {
        while (!m_book.TakeUntil(terminator)) {
            char chunk[65536];
            ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
            if (n <= 0)
                return;
            m_book.Append(chunk, static_cast<std::size_t>(n));
        }
    });
    return *this;
}

FakeServer& FakeServer::Answer(std::string reply)
{
    ReadRequest();
    return Send(std::move(reply));
}

FakeServer& FakeServer::Pause(int ms)
{
    m_steps.push_back([ms](int) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); });
    return *this;
}

FakeServer& FakeServer::Hold()
{
    m_steps.push_back([this](int) { m_book.WaitForRelease(); });
    return *this;
}

FakeServer& FakeServer::Close()
{
    m_steps.push_back([this](int) { m_book.CloseClient(); });
    return *this;
}

FakeServer& FakeServer::Do(std::function<void(int)> step)
{
    m_steps.push_back(std::move(step));
    return *this;
}

void FakeServer::Start()
{
    m_thread = std::thread([this] { Run(); });
}

void FakeServer::Release()
{
    m_book.Release();
}

bool FakeServer::Finish(int ms)
{
    return m_book.WaitForFinish(ms);
}

std::vector<std::string> FakeServer::Requests()
{
    return m_book.Requests();
}

std::string FakeServer::Received()
{
    return m_book.Received();
}

bool FakeServer::WaitForRequests(std::size_t count, int ms)
{
    return m_book.WaitForRequests(count, ms);
}

bool FakeServer::ReadOneRequest(int fd)
{
    while (!m_book.TakeRequest()) {
        char chunk[65536];
        ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0)
            return false;
        m_book.Append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

void FakeServer::Run()
{
    if (int fd = m_book.Accept(); fd >= 0) {
        for (auto& step : m_steps)
            step(fd);
    }
    m_book.MarkFinished();
}

std::string Reply(std::initializer_list<std::string> lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += "S " + line + "\r\n";
    return out + "S .\r\n";
}

std::string Event(std::initializer_list<std::string> lines)
{
    std::string out;
    for (const std::string& line : lines)
        out += "A " + (line.compare(0, 1, ".") == 0 ? "." + line : line) + "\r\n";
    return out + "A .\r\n";
}

} // namespace zep::test
