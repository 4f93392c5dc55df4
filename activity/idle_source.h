// A source of the desktop's idle time (milliseconds since the last input anywhere in the session).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

namespace zep::activity {

class IdleSource
{
public:
    virtual ~IdleSource() = default;
    virtual const char* Name() const = 0;
    // Idle milliseconds, or nothing when the query failed this time.
    virtual std::optional<std::uint64_t> IdleMs() = 0;
};

// Each returns nothing when its desktop interface is not available.
std::unique_ptr<IdleSource> OpenX11IdleSource();
std::unique_ptr<IdleSource> OpenDBusIdleSource();

} // namespace zep::activity
