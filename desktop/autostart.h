// "Run at start-up": the XDG autostart entry that starts the messenger with the desktop.
#pragma once

#include <QString>

namespace zep {

// The autostart entry's name, without ".desktop". It is not the application id (kAppId): the
// entries users already have keep their name.
inline constexpr char kAutostartEntryName[] = "ZEPMessenger";

// $XDG_CONFIG_HOME/autostart/ZEPMessenger.desktop
QString AutostartEntryPath();

// Writes (present) or deletes (absent) the entry for the given executable. True on success.
bool SetRunValue(bool present, const QString& executable);
// True only when the entry exists, is not hidden, and its Exec names this executable.
bool TestRunValue(const QString& executable);

// Exec-line quoting of one argument (double quotes, reserved characters escaped), and the
// first argument of an Exec value read back. Exposed for the tests.
QString QuoteExecArgument(const QString& argument);
QString FirstExecArgument(const QString& execValue);

} // namespace zep
