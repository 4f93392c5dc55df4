// The activity monitor library, loaded at start-up with LoadDLL; its three entry points are
// required, the input hook is optional.
#pragma once

#include <QObject>
#include <string>

namespace zep {

inline constexpr const char* kActivityLibraryName = "libzepimam.so";

class ActivityLibrary
{
public:
    ActivityLibrary() = default;
    ~ActivityLibrary();
    ActivityLibrary(const ActivityLibrary&) = delete;
    ActivityLibrary& operator=(const ActivityLibrary&) = delete;

    // Loads the library from `directory` (or the system's search) and resolves the entry points.
    // On failure `error` says what is missing and nothing stays loaded.
    bool Load(const std::string& directory, std::string& error);
    // StartActivityMonitor: false when it returns 0.
    bool Start();
    // StopActivityMonitor, then release the library.
    void Release();

    bool Loaded() const { return m_handle != nullptr; }
    unsigned LastActivityTick() const;
    void NotifyInput() const;

private:
    void* m_handle = nullptr;
    bool m_started = false;
    int (*m_start)() = nullptr;
    int (*m_stop)() = nullptr;
    unsigned (*m_tick)() = nullptr;
    void (*m_notify)() = nullptr;
};

// Feeds the application's own key and mouse input to the monitor (its last fall-back).
class ActivityInputFilter : public QObject
{
public:
    explicit ActivityInputFilter(const ActivityLibrary& library, QObject* parent = nullptr)
        : QObject(parent), m_library(library)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const ActivityLibrary& m_library;
};

} // namespace zep
