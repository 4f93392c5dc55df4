// One connection of the extension: the messages it sends become the add-in's events on the
// host objects, and every change of the toolbar goes back to it. Everything runs on the host
// program's one thread, which is also the only thread that calls the add-in.
#pragma once

#include "addin/native_host/host_objects.h"
#include "addin/native_host/messages.h"

#include <cstdint>
#include <functional>
#include <string>

struct quillbay_addin;

namespace zep::nativehost {

// The add-in's two entries this host calls (the library's quillbay_connect and
// quillbay_disconnect).
struct AddinEntries
{
    std::int32_t (*connect)(void* application, quillbay_addin** addin) = nullptr;
    std::int32_t (*disconnect)(quillbay_addin* addin) = nullptr;
};

struct SessionOptions
{
    // Why the add-in could not be loaded; the hello reply says so and nothing is connected.
    std::string loadError;
    // Tells the extension to drive itself for a test run.
    bool testMode = false;
    // How often the extension reports that the window may have changed, in milliseconds.
    int updateInterval = 3000;
};

class Session
{
public:
    using Send = std::function<void(const std::string& json)>;
    using Log = std::function<void(const std::string& line)>;

    Session(AddinEntries entries, SessionOptions options, Send send, Log log = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // One frame's body from the extension.
    void OnMessage(const std::string& json);
    // A frame over the size limit was dropped.
    void OnOversized(std::uint32_t length);
    // A descriptor the add-in watches can be read.
    void OnReadable(int fd);
    // The extension went away: the main window closes and the add-in is let go.
    void Close();

    const Application& App() const { return m_application; }
    bool Connected() const { return m_addin != nullptr; }
    bool Closed() const { return m_closed; }

private:
    void Hello();
    void Dispatch(const Message& message);
    // Sends the toolbar when it differs from what the extension has (or always, when forced).
    void Flush(bool force = false);

    AddinEntries m_entries;
    SessionOptions m_options;
    Send m_send;
    Log m_log;
    Application m_application;
    quillbay_addin* m_addin = nullptr;
    std::string m_connectError;
    bool m_greeted = false;
    bool m_closed = false;
    std::string m_sent; // the last toolbar message sent
};

} // namespace zep::nativehost
