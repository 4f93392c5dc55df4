// The add-in's result codes (HRESULT numbering, which the host also uses) and the mapping of a
// MessengerControl call's outcome to them.
#pragma once

#include "addin/host.h"

#include <cstdint>

namespace zep::addin {

inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNotImplemented = static_cast<HResult>(0x80004001u);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kInvalidArgument = static_cast<HResult>(0x80070057u);
// The messenger is not running (no owner of its bus name, or no session bus).
inline constexpr HResult kNotRunning = static_cast<HResult>(0x800704D0u);
// The messenger answered 207: it cannot serve now, or the address is not a contact.
inline constexpr HResult kNotFound = static_cast<HResult>(0x8004010Fu);

inline constexpr bool Failed(HResult r)
{
    return r < 0;
}

// Transport statuses, numbered as the local RPC runtime numbered them.
inline constexpr std::int32_t kStatusServerUnavailable = 1722; // nobody owns the name
inline constexpr std::int32_t kStatusCallFailed = 1726;        // error reply, bad reply, lost bus
inline constexpr std::int32_t kStatusTimeout = 1460;           // no answer within the deadline

// A transport status s as a result: s with the bits 0x80010000 set (1722 has its own result).
inline constexpr HResult StatusResult(std::int32_t status)
{
    return status == kStatusServerUnavailable
               ? kNotRunning
               : static_cast<HResult>(0x80010000u | static_cast<std::uint32_t>(status));
}

// The procedure's own int32 result as a result.
inline constexpr HResult ProcedureResult(std::int32_t value)
{
    switch (value) {
    case 0:
        return kOk;
    case 26:
        return kOutOfMemory;
    case 207:
        return kNotFound;
    default:
        return kFail;
    }
}

} // namespace zep::addin
