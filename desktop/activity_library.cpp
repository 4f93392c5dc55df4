#include "desktop/activity_library.h"

#include "transport/load_dll.h"

#include <QEvent>
#include <dlfcn.h>

namespace zep {

ActivityLibrary::~ActivityLibrary()
{
    Release();
}

bool ActivityLibrary::Load(const std::string& directory, std::string& error)
{
    void* handle = nullptr;
    if (!LoadDLL(&handle, kActivityLibraryName, directory, {})) {
        error = std::string("cannot load ") + kActivityLibraryName + " (looked in " + directory +
                "Bin/, " + directory + " and the system's library path)";
        return false;
    }
    m_start = reinterpret_cast<int (*)()>(dlsym(handle, "StartActivityMonitor"));
    m_stop = reinterpret_cast<int (*)()>(dlsym(handle, "StopActivityMonitor"));
    m_tick = reinterpret_cast<unsigned (*)()>(dlsym(handle, "GetLastActivityTickCount"));
    m_notify = reinterpret_cast<void (*)()>(dlsym(handle, "ZepActivityNotifyInput"));
    if (!m_start || !m_stop || !m_tick) {
        error = std::string(kActivityLibraryName) +
                " lacks StartActivityMonitor, StopActivityMonitor or GetLastActivityTickCount";
        ReleaseDLL(handle, kActivityLibraryName);
        m_start = nullptr;
        m_stop = nullptr;
        m_tick = nullptr;
        m_notify = nullptr;
        return false;
    }
    m_handle = handle;
    return true;
}

bool ActivityLibrary::Start()
{
    m_started = m_start && m_start() != 0;
    return m_started;
}

void ActivityLibrary::Release()
{
    if (!m_handle)
        return;
    if (m_started)
        m_stop();
    m_started = false;
    ReleaseDLL(m_handle, kActivityLibraryName);
    m_handle = nullptr;
    m_tick = nullptr;
    m_notify = nullptr;
}

unsigned ActivityLibrary::LastActivityTick() const
{
    return m_tick ? m_tick() : 0;
}

void ActivityLibrary::NotifyInput() const
{
    if (m_notify)
        m_notify();
}

bool ActivityInputFilter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        m_library.NotifyInput();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zep
