// zep-devserver run by a test on a loopback port: any free one, or a given one (a server that
// comes up later, or comes back after being stopped).
#pragma once

#include "child_process.h"

#include <regex>
#include <string>

namespace zep::test {

class DevServer
{
public:
    explicit DevServer(int port = 0) { Start(port); }
    // Starts it (again): on `port`, or any free one for 0.
    bool Start(int port = 0)
    {
        m_port = 0;
        if (!m_process.Start(
                {ZEP_DEVSERVER_BINARY, "--port", std::to_string(port), "--tls-port", "0"}))
            return false;
        const std::string line = m_process.WaitForOutput("listening on");
        std::smatch m;
        if (std::regex_search(line, m, std::regex(R"(listening on (\S+):(\d+) tls (\d+))"))) {
            m_host = m[1];
            m_port = std::stoi(m[2]);
            m_tlsPort = std::stoi(m[3]);
        }
        return Up();
    }
    bool Up() const { return m_port > 0; }
    int Port() const { return m_port; }
    int TlsPort() const { return m_tlsPort; }
    void Stop() { m_process.Stop(); }

private:
    ChildProcess m_process;
    std::string m_host;
    int m_port = 0;
    int m_tlsPort = 0;
};

} // namespace zep::test
