// The native-messaging frames between Thunderbird and this host: each message is a 4-byte
// length in the machine's own byte order followed by that many bytes of UTF-8 JSON.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zep::nativehost {

// Thunderbird sends at most 4 GiB; this host takes nothing larger than this from it. Anything
// it needs (a selection, a click) is a few hundred bytes.
inline constexpr std::uint32_t kMaxIncoming = 64 * 1024;
// Thunderbird takes at most 1 MiB from a host.
inline constexpr std::uint32_t kMaxOutgoing = 1024 * 1024;

enum class Take
{
    NeedMore, // the buffer does not hold a whole frame yet
    Frame,    // one frame's body moved to `body`
    Skipped,  // a frame over the limit is being dropped; `skipped` is its length
};

// Splits incoming bytes into frames. A frame over kMaxIncoming is dropped as its bytes come
// in, so one oversized message never costs its size in memory.
class FrameReader
{
public:
    void Append(const char* data, std::size_t size) { m_buffer.append(data, size); }
    // Call until NeedMore. Skipped is returned once per oversized frame, when its length
    // is read.
    Take Next(std::string& body, std::uint32_t& skipped);
    std::size_t Buffered() const { return m_buffer.size(); }

private:
    std::string m_buffer;
    std::uint64_t m_toSkip = 0;
};

// The frame for `body`; empty when the body is larger than kMaxOutgoing.
std::string EncodeFrame(const std::string& body);

} // namespace zep::nativehost
