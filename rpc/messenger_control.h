// The names of the MessengerControl interface on the session bus, shared by the messenger (the
// service), zepim-ctl and the mail-client add-in. Plain C++ with no Qt, so a libdbus or sd-bus
// client includes it as it is. The methods, their arguments and their order are in
// messenger_control.xml next to this file.
#pragma once

#include <cstdint>

namespace zep::rpc {

// The interface's identity. The major version is part of the D-Bus interface name, so an
// incompatible 2.0 would be a different interface next to this one.
inline constexpr char kInterfaceUuid[] = "72C895F2-3245-4DE0-B3CE-34A2046FBE48";
inline constexpr char kInterfaceVersion[] = "1.0";

// The well-known name owned by the running messenger (from the endpoint "ZEPRIM"), the one
// object it exports and its interface. There is no .service file: callers set the no-auto-start
// flag, and a name without an owner means that no messenger is running.
inline constexpr char kBusName[] = "org.zep.ZEPRIM";
inline constexpr char kObjectPath[] = "/org/zep/ZEPRIM";
inline constexpr char kInterfaceName[] = "org.zep.ZEPRIM.MessengerControl1";

// The procedures in operation-number order (0..10); the method names are the same.
inline constexpr const char* kProcedures[] = {
    "GetContactDetails", "SendInstantMessage", "SendSmsMessage", "SendPagerMessage",
    "SendEmailMessage",  "GetMessengerState",  "LogIn",          "LogOut",
    "ExitMessenger",     "OpenMessenger",      "HideMessenger",
};
inline constexpr int kProcedureCount = 11;

// The state signal: (Visible y, LoggedOn y), sent whenever either changes.
inline constexpr char kStateChangedSignal[] = "StateChanged";
// Read-only string properties holding the identity above.
inline constexpr char kUuidProperty[] = "InterfaceUuid";
inline constexpr char kVersionProperty[] = "InterfaceVersion";

// Results (int32) besides the messenger's own result numbers.
inline constexpr std::int32_t kResultOk = 0;
inline constexpr std::int32_t kResultNoMemory = 26;
inline constexpr std::int32_t kResultNotFound = 207;
// ExitMessenger and OpenMessenger: what the frame answers for a handled command.
inline constexpr std::int32_t kResultCommandHandled = 1;

// Addresses longer than this (in UTF-16 units) are not looked up: 207.
inline constexpr int kMaxAddressLength = 255;

// What a client reports when the name has no owner, as the local RPC runtime did for a server
// that is not there.
inline constexpr std::int32_t kStatusServerUnavailable = 1722;
// The bus's answer to a no-auto-start call for a name without an owner; ServiceUnknown is what
// a call that forgot the flag gets instead (no .service file is installed).
inline constexpr char kErrorNoOwner[] = "org.freedesktop.DBus.Error.NameHasNoOwner";
inline constexpr char kErrorServiceUnknown[] = "org.freedesktop.DBus.Error.ServiceUnknown";

} // namespace zep::rpc
