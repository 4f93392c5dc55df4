#include "session/client_connection.h"

#include "session/client_requests.h"
#include "session/settings.h"
#include "session/system_proxy.h"
#include "transport/im_connection.h"

namespace zep {

struct ClientConnection::State
{
    ImConnection conn;
    // What the UI shows, copied at logon so that reading it never waits for AppLock.
    std::mutex infoLock;
    OwnIdentity own;
    ContactRecordUtf8 ownRecord;
    std::optional<QString> cipher;
    TlsPeerTrust peerTrust;
    ImResult refusal = ImResult::Ok;
};

ConnectSettings ConnectSettings::FromSettings(const Settings& settings)
{
    ConnectSettings s;
    s.server = settings.ReadText(setting::Server).trimmed().toStdString();
    s.tls = settings.ReadInt(setting::UseSsl, 0) != 0;
    s.port = static_cast<std::uint16_t>(settings.ServerPort(s.tls));
    s.useProxy = settings.ReadInt(setting::UseProxy, 0) != 0;
    s.proxyHost = settings.ReadText(setting::ProxyServer).trimmed().toStdString();
    s.proxyPort = static_cast<std::uint16_t>(settings.ProxyPort());
    return s;
}

ClientConnection::ClientConnection() : m_state(std::make_unique<State>()) {}

ClientConnection::~ClientConnection()
{
    Disconnect();
}

int ClientConnection::Connect(const ConnectSettings& s, const std::atomic<bool>* stop)
{
    std::lock_guard guard(m_appLock);
    const auto keepTrust = [this] {
        std::lock_guard info(m_state->infoLock);
        m_state->peerTrust = m_state->conn.peerTrust;
        m_state->refusal = m_state->peerTrust.verdict == TlsTrustVerdict::NoTrustFile
                               ? ImResult::TrustFileUnusable
                               : ImResult::Ok;
    };
    const auto certificateRefused = [](ImResult r) {
        return r == ImResult::CertificateUnknown || r == ImResult::CertificateChanged ||
               r == ImResult::TrustFileUnusable;
    };
    ImResult result =
        ImConnect(m_state->conn, s.server, s.port, s.tls, s.useProxy, s.proxyHost, s.proxyPort);
    keepTrust();
    if (result == ImResult::Ok)
        return 0;
    // The desktop's proxy setting, entry by entry; the first that connects ends the search.
    if ((stop && stop->load()) || certificateRefused(result))
        return ImResultNumber(result);
    for (const ProxyEntry& proxy : SystemProxies(s.server, s.port)) {
        if (stop && stop->load())
            break;
        result = ImConnect(m_state->conn, s.server, s.port, s.tls, true, proxy.host, proxy.port);
        keepTrust();
        if (result == ImResult::Ok || certificateRefused(result))
            break;
    }
    return result == ImResult::Ok ? 0 : ImResultNumber(result);
}

int ClientConnection::QueryVersion(std::string& version)
{
    std::lock_guard guard(m_appLock);
    return RequestVersion(m_state->conn, version);
}

LogonAnswer ClientConnection::Logon(const std::string& email, const std::string& password)
{
    std::lock_guard guard(m_appLock);
    ContactRecordUtf8 record;
    const LogonAnswer answer = RequestLogon(m_state->conn, email, password, record);
    if (answer == LogonAnswer::LessSecure) {
        std::lock_guard info(m_state->infoLock);
        m_state->refusal = ImResult::LessSecureLogon;
    }
    if (answer == LogonAnswer::Accepted) {
        if (record.email.empty())
            record.email = email;
        ApplyDisplayNameRule(record);
        const OwnIdentity own{QString::fromStdString(record.name),
                              QString::fromStdString(record.email)};
        std::string cipher;
        const bool tls = zep::CipherDescription(m_state->conn, cipher);
        std::lock_guard info(m_state->infoLock);
        m_state->own = own;
        m_state->ownRecord = record;
        m_state->cipher = tls ? std::optional(QString::fromStdString(cipher)) : std::nullopt;
    }
    return answer;
}

bool ClientConnection::FetchServerVariables(Settings& settings)
{
    std::lock_guard guard(m_appLock);
    return RequestServerVariables(m_state->conn, settings);
}

void ClientConnection::Disconnect()
{
    std::lock_guard guard(m_appLock);
    ImDisconnect(m_state->conn);
    std::lock_guard info(m_state->infoLock);
    m_state->own = {};
    m_state->ownRecord = {};
    m_state->cipher.reset();
}

void ClientConnection::ResetCancel()
{
    ImResetCancel(m_state->conn);
}

void ClientConnection::Wake()
{
    ImShutdown(m_state->conn);
}

bool ClientConnection::IsLoggedOn()
{
    return zep::IsLoggedOn(m_state->conn);
}

std::optional<QString> ClientConnection::CipherDescription()
{
    std::lock_guard info(m_state->infoLock);
    return m_state->cipher;
}

OwnIdentity ClientConnection::Own()
{
    std::lock_guard info(m_state->infoLock);
    return m_state->own;
}

ContactRecordUtf8 ClientConnection::OwnRecord()
{
    std::lock_guard info(m_state->infoLock);
    return m_state->ownRecord;
}

ImResult ClientConnection::Refusal()
{
    std::lock_guard info(m_state->infoLock);
    return m_state->refusal;
}

TlsPeerTrust ClientConnection::PeerTrust()
{
    std::lock_guard info(m_state->infoLock);
    return m_state->peerTrust;
}

ImConnection* ClientConnection::Connection()
{
    return &m_state->conn;
}

} // namespace zep
