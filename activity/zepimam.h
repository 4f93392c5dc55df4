// The activity monitor's exported interface. The messenger loads the library at run time and
// looks these up by name; the extra functions are optional.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Starts monitoring; non-zero when it runs.
int StartActivityMonitor(void);
// Stops monitoring; the result carries no meaning.
int StopActivityMonitor(void);
// Milliseconds of a monotonic clock (low 32 bits) at the user's last input. Callable from any
// thread; stays the same while there is no input.
unsigned int GetLastActivityTickCount(void);

// Input seen by the application itself: the last fall-back where the desktop tells nothing.
void ZepActivityNotifyInput(void);
// Where idle time comes from: "x11", "dbus" or "input". Valid after StartActivityMonitor.
const char* ZepActivitySource(void);

#ifdef __cplusplus
}
#endif
