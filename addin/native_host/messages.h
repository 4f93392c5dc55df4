// The messages the extension sends this host, read from their JSON text. Reading never throws:
// anything that is not one of these messages gives false and the reason.
//
//   {"type":"hello"}                      the extension is up; the host answers with its toolbar
//   {"type":"selection","count":N,"items":[{"kind":"mail"|"contact"|"other","address":"..."}]}
//                                         the selected items (items only when N is 1)
//   {"type":"click","control":ID}         a control of the toolbar was pressed
//   {"type":"update"}                     the window's state may have changed (focus, a menu)
//   {"type":"close"}                      the main window is going away
//   {"type":"log","text":"..."}           a line for the host's state log (test runs)
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zep::nativehost {

enum class MessageType
{
    Hello,
    Selection,
    Click,
    Update,
    Close,
    Log,
};

struct SelectedItem
{
    int itemClass = 0;   // the add-in's item classes: 43 mail, 40 contact, 0 anything else
    std::string mailbox; // as Thunderbird gives it: "Name <a@b>" or "a@b"; may be empty
};

struct Message
{
    MessageType type = MessageType::Hello;
    int count = 0;                   // Selection
    std::vector<SelectedItem> items; // Selection: the first item, when count is 1
    int control = 0;                 // Click
    std::string text;                // Log
};

// Limits on what a message may carry.
inline constexpr int kMaxSelectionCount = 1 << 24;
inline constexpr std::size_t kMaxMailboxBytes = 4096;
inline constexpr std::size_t kMaxLogBytes = 4096;

bool ParseMessage(const std::string& json, Message& message, std::string& error);

// The reply to a message that could not be read.
std::string ErrorReply(const std::string& error);

} // namespace zep::nativehost
