#pragma once
// Result codes of every protocol and transport operation. The numbers are fixed: the user
// interface compares against them.

#include <iosfwd>

namespace zep {

enum class ImResult : int
{
    Ok = 0,
    NoMemory = 26,
    NothingPending = 71,
    BadArgument = 72,
    ConnectionClosed = 82,
    TimedOut = 102,
    TransferFailed = 103,
    SelectFailed = 104,
    AlreadyPresent = 108,
    HostNotFound = 132,
    ServerCode553 = 143,
    TlsSessionFailed = 161,
    TlsHandshakeFailed = 162,
    TlsNoPeerCertificate = 163,
    // The server's certificate is neither trusted by the system nor pinned for this server.
    CertificateUnknown = 164,
    // The server's certificate differs from the one pinned for this server.
    CertificateChanged = 165,
    // The file of pinned certificates cannot be read or has no place, so no certificate the
    // system does not trust can be checked: every such certificate is refused.
    TrustFileUnusable = 166,
    // A server that asked for Digest before now offers only Basic on a plain connection,
    // where the password would travel readable: the log-on is refused.
    LessSecureLogon = 167,
    NotFound = 207,
    ContentUnacceptable = 210,
    CharsetMismatch = 212,
    TooLarge = 218,
    Failed = 235,
    ConversionFailed = 241,
};

// The name of a result ("ConnectionClosed"); "Unknown" for a number outside the table.
const char* ImResultName(ImResult result);

inline int ImResultNumber(ImResult result)
{
    return static_cast<int>(result);
}

// Prints "Name (number)", so test failures read well.
std::ostream& operator<<(std::ostream& out, ImResult result);

} // namespace zep
