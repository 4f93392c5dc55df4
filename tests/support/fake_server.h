#pragma once
// A scripted fake server on 127.0.0.1 with an ephemeral port: it accepts one connection and
// plays its steps in order (send bytes, read one request, pause, close), recording every byte
// the client sent.

#include "script_bookkeeping.h"

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace zep::test {

class FakeServer
{
public:
    FakeServer();
    ~FakeServer();

    std::uint16_t Port() const { return m_book.Port(); }

    // Script steps; call Start() after the last one.
    FakeServer& Send(std::string bytes);
    // Writes `bytes` in pieces of `piece` bytes with `pauseMs` between them.
    FakeServer& SendInPieces(std::string bytes, std::size_t piece, int pauseMs);
    // Reads one request (up to its "." line) and records it.
    FakeServer& ReadRequest();
    // Reads up to and including `terminator` (a proxy request's empty line) and records it as
    // one request.
    FakeServer& ReadUntil(std::string terminator);
    // Reads one request and answers with `reply` (already framed with "S " markers).
    FakeServer& Answer(std::string reply);
    FakeServer& Pause(int ms);
    // Waits until the test calls Release().
    FakeServer& Hold();
    FakeServer& Close();
    // Runs an arbitrary step with the connected socket.
    FakeServer& Do(std::function<void(int socket)> step);

    void Start();
    void Release();
    // Waits for the script to finish (at most `ms`); false on time-out.
    bool Finish(int ms = 5000);

    std::vector<std::string> Requests();
    std::string Received();
    // Waits until `count` requests have been read (at most `ms`).
    bool WaitForRequests(std::size_t count, int ms = 5000);

private:
    void Run();
    bool ReadOneRequest(int fd);

    ScriptBookkeeping m_book;
    std::vector<std::function<void(int)>> m_steps;
    std::thread m_thread;
};

// Frames reply lines: each line gets "S " and CR LF, and the terminator "S ." is added.
std::string Reply(std::initializer_list<std::string> lines);
// Frames an event: "A " lines, dot-stuffed, with the terminator "A .".
std::string Event(std::initializer_list<std::string> lines);

} // namespace zep::test
