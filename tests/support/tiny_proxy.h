#pragma once
// A real HTTP proxy for tests: tinyproxy in the foreground on a loopback port, with a generated
// configuration that allows CONNECT from 127.0.0.1 to the given ports only.

#include "child_process.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zep::test {

class TinyProxy
{
public:
    // False when tinyproxy is missing or does not come up.
    bool Start(const std::vector<std::uint16_t>& connectPorts);
    std::uint16_t Port() const { return m_port; }
    std::string Output() { return m_process.Output(); }

private:
    TempDir m_dir;
    ChildProcess m_process;
    std::uint16_t m_port = 0;
};

} // namespace zep::test
