// The application's operations on its one protocol connection, each under `AppLock`: connect
// (with the system-proxy fall-back), version query, logon, server variables, disconnect. The
// frame's worker threads call these; the UI thread only disconnects and reads state.
#pragma once

#include "protocol/contact_record.h"
#include "transport/tls.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace zep {

class Settings;
struct ImConnection;

struct ConnectSettings
{
    std::string server;
    std::uint16_t port = 0;
    bool tls = false;
    bool useProxy = false;
    std::string proxyHost;
    std::uint16_t proxyPort = 0;

    // Reads "server", "usessl", the port of the mode and the proxy values.
    static ConnectSettings FromSettings(const Settings& settings);
};

enum class LogonAnswer
{
    Accepted,
    Refused,         // the server refused the address and password
    TransportFailed, // the connection failed on the way: a connect failure, not a refusal
    LessSecure,      // refused here: the server no longer asks for Digest (Refusal() says so)
};

// What the logon reply says about the user.
struct OwnIdentity
{
    QString name;
    QString email;
};

class ClientConnection
{
public:
    ClientConnection();
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    // Every use of the connection happens under this lock (taken before the connection's own).
    std::recursive_mutex& AppLock() { return m_appLock; }

    // 0 on success, else the result number of the last attempt. The system-proxy fall-back is
    // skipped once `stop` is set (a worker being stopped), and after a refused certificate:
    // the server answered, and the user has to decide about it (PeerTrust()).
    int Connect(const ConnectSettings& settings, const std::atomic<bool>* stop = nullptr);
    int QueryVersion(std::string& version);
    LogonAnswer Logon(const std::string& email, const std::string& password);
    // Stores the fourteen variables; false (settings untouched) when the request fails.
    bool FetchServerVariables(Settings& settings);
    void Disconnect();
    // Any thread, without the lock: cancels every wait on the connection (a worker blocked in
    // connect, name resolution, an exchange or the event wait fails at once) until ResetCancel.
    void Wake();
    // Before a new worker starts on the connection.
    void ResetCancel();

    bool IsLoggedOn();
    // The lock icon's tip when the connection is encrypted.
    std::optional<QString> CipherDescription();
    OwnIdentity Own();
    // The user's own record from the logon reply (empty when logged off).
    ContactRecordUtf8 OwnRecord();
    // The server certificate the last connect saw and what was decided about it.
    TlsPeerTrust PeerTrust();
    // Why the last connect or logon was refused on this side for the user's safety
    // (TrustFileUnusable, LessSecureLogon); Ok when it was not.
    ImResult Refusal();

    // The underlying connection, for the logged-on view's requests (under AppLock).
    ImConnection* Connection();

private:
    std::recursive_mutex m_appLock;
    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace zep
