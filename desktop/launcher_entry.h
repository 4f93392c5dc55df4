// The count of unread messages on the messenger's launcher: docks and task managers that
// follow the "com.canonical.Unity.LauncherEntry" signal of the session bus show it on the
// installed desktop entry's icon. A signal only: without such a launcher nothing listens.
#pragma once

#include <QDBusConnection>

namespace zep {

inline constexpr char kLauncherEntryInterface[] = "com.canonical.Unity.LauncherEntry";

class LauncherEntry
{
public:
    explicit LauncherEntry(QDBusConnection bus);

    // 0 takes the count away.
    void SetCount(int count);

private:
    QDBusConnection m_bus;
    int m_count = 0;
};

} // namespace zep
