#include "common/im_result.h"

#include <ostream>

namespace zep {

const char* ImResultName(ImResult result)
{
    switch (result) {
    case ImResult::Ok:
        return "Ok";
    case ImResult::NoMemory:
        return "NoMemory";
    case ImResult::NothingPending:
        return "NothingPending";
    case ImResult::BadArgument:
        return "BadArgument";
    case ImResult::ConnectionClosed:
        return "ConnectionClosed";
    case ImResult::TimedOut:
        return "TimedOut";
    case ImResult::TransferFailed:
        return "TransferFailed";
    case ImResult::SelectFailed:
        return "SelectFailed";
    case ImResult::AlreadyPresent:
        return "AlreadyPresent";
    case ImResult::HostNotFound:
        return "HostNotFound";
    case ImResult::ServerCode553:
        return "ServerCode553";
    case ImResult::TlsSessionFailed:
        return "TlsSessionFailed";
    case ImResult::TlsHandshakeFailed:
        return "TlsHandshakeFailed";
    case ImResult::TlsNoPeerCertificate:
        return "TlsNoPeerCertificate";
    case ImResult::CertificateUnknown:
        return "CertificateUnknown";
    case ImResult::CertificateChanged:
        return "CertificateChanged";
    case ImResult::TrustFileUnusable:
        return "TrustFileUnusable";
    case ImResult::LessSecureLogon:
        return "LessSecureLogon";
    case ImResult::NotFound:
        return "NotFound";
    case ImResult::ContentUnacceptable:
        return "ContentUnacceptable";
    case ImResult::CharsetMismatch:
        return "CharsetMismatch";
    case ImResult::TooLarge:
        return "TooLarge";
    case ImResult::Failed:
        return "Failed";
    case ImResult::ConversionFailed:
        return "ConversionFailed";
    }
    return "Unknown";
}

std::ostream& operator<<(std::ostream& out, ImResult result)
{
    return out << ImResultName(result) << " (" << ImResultNumber(result) << ")";
}

} // namespace zep
