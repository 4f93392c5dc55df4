#pragma once
// TLS on the server side for tests: a self-signed certificate made in memory, and a scripted
// TLS server on 127.0.0.1 with an ephemeral port that plays its steps over one connection.

#include "script_bookkeeping.h"

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace zep::test {

struct TestCertificate
{
    std::string certPem;
    std::string keyPem; // encrypted (AES-256-CBC) when made with a pass phrase
};

// A self-signed EC P-256 certificate for `commonName`, valid for a day.
TestCertificate MakeSelfSignedCertificate(const std::string& commonName,
                                          const std::string& passPhrase = {});

class TlsScriptServer
{
public:
    explicit TlsScriptServer(const TestCertificate& certificate);
    ~TlsScriptServer();

    std::uint16_t Port() const { return m_book.Port(); }

    // One write of `bytes` (one TLS record when it fits in 16 KiB).
    TlsScriptServer& Send(std::string bytes);
    // Reads one request (up to its "." line) and records it.
    TlsScriptServer& ReadRequest();
    // Waits until the test calls Release().
    TlsScriptServer& Hold();
    // Closes the connection, with the close notification or (notify false) without it.
    TlsScriptServer& Close(bool notify = true);
    // Reads until the client ends the connection, noting whether it sent a close notification.
    TlsScriptServer& AwaitClose();

    void Start();
    void Release();
    // Waits for the script to finish (at most `ms`); false on time-out.
    bool Finish(int ms = 5000);
    std::vector<std::string> Requests();
    // False when the handshake with the client failed.
    bool HandshakeDone();
    // The server name the client sent in its hello; empty when none.
    std::string ServerName();
    bool PeerClosedCleanly();

private:
    void Run();

    SSL_CTX* m_ctx = nullptr;
    ScriptBookkeeping m_book;
    std::vector<std::function<void(SSL*)>> m_steps;
    std::thread m_thread;
    // Under the books' lock:
    bool m_handshakeDone = false;
    bool m_peerClosedCleanly = false;
    std::string m_serverName;
};

} // namespace zep::test
