#include "addin/native_host/frames.h"

#include <algorithm>
#include <cstring>

namespace zep::nativehost {

Take FrameReader::Next(std::string& body, std::uint32_t& skipped)
{
    if (m_toSkip > 0) {
        const std::size_t drop =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_toSkip, m_buffer.size()));
        m_buffer.erase(0, drop);
        m_toSkip -= drop;
        if (m_toSkip > 0)
            return Take::NeedMore;
    }
    std::uint32_t length = 0;
    if (m_buffer.size() < sizeof length)
        return Take::NeedMore;
    std::memcpy(&length, m_buffer.data(), sizeof length);
    if (length > kMaxIncoming) {
        m_buffer.erase(0, sizeof length);
        m_toSkip = length;
        skipped = length;
        const std::size_t drop =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_toSkip, m_buffer.size()));
        m_buffer.erase(0, drop);
        m_toSkip -= drop;
        return Take::Skipped;
    }
    if (m_buffer.size() - sizeof length < length)
        return Take::NeedMore;
    body.assign(m_buffer, sizeof length, length);
    m_buffer.erase(0, sizeof length + length);
    return Take::Frame;
}

std::string EncodeFrame(const std::string& body)
{
    if (body.size() > kMaxOutgoing)
        return {};
    const auto length = static_cast<std::uint32_t>(body.size());
    std::string frame(sizeof length, '\0');
    std::memcpy(frame.data(), &length, sizeof length);
    frame += body;
    return frame;
}

} // namespace zep::nativehost
