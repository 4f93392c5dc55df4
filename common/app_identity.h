#pragma once
// The messenger's identity on the desktop, shared by the messenger and the add-in.

namespace zep {

// The reverse-DNS application id: the AppStream id, the name of the installed desktop entry
// (kAppId + ".desktop", in the applications folders of the data dirs), the Wayland
// application id and the notifications' "desktop-entry" hint.
inline constexpr char kAppId[] = "org.zep.ZEPMessenger";

} // namespace zep
