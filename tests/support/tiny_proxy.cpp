#include "tiny_proxy.h"

namespace zep::test {

bool TinyProxy::Start(const std::vector<std::uint16_t>& connectPorts)
{
    // The port is chosen before tinyproxy binds it, so another program may take it between:
    // a few attempts make that harmless.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_port = FreeLoopbackPort();
        std::string config = "Port " + std::to_string(m_port) +
                             "\n"
                             "Listen 127.0.0.1\n"
                             "Allow 127.0.0.1\n"
                             "Timeout 60\n"
                             "MaxClients 20\n"
                             "LogLevel Info\n";
        for (std::uint16_t port : connectPorts)
            config += "ConnectPort " + std::to_string(port) + "\n";
        if (!m_dir.Write("tinyproxy.conf", config))
            return false;
        if (!m_process.Start({"tinyproxy", "-d", "-c", m_dir.File("tinyproxy.conf")}))
            return false;
        if (WaitForListener(m_port, std::chrono::seconds(5)))
            return true;
        m_process.Stop();
    }
    return false;
}

} // namespace zep::test
