// The user's own status: texts of the banner, its image, and the status menu's commands.
#pragma once

#include "protocol/contact_record.h"

#include <optional>
#include <string>
#include <vector>

namespace zep::contacts {

// Command numbers of the status menu and the custom status dialog.
namespace command {
inline constexpr int StatusButton = 115;
inline constexpr int ContactList = 116;
inline constexpr int CustomStatus = 128;
inline constexpr int Online = 177;
inline constexpr int Offline = 178;
inline constexpr int DoNotDisturb = 179;
inline constexpr int BackSoon = 180;
inline constexpr int Away = 181;
inline constexpr int Phone = 182;
inline constexpr int Lunch = 183;
inline constexpr int Meeting = 184;
inline constexpr int CustomCancel = 189;
inline constexpr int CustomOk = 191;
inline constexpr int CustomReset = 192;
} // namespace command

struct StatusChoice
{
    int commandId;
    const char16_t* text;
    PresenceStatus status;
    SubStatus subStatus;
};

// The menu entries in menu order (the separator and "Custom Status..." follow them).
const std::vector<StatusChoice>& StatusChoices();
std::optional<StatusChoice> StatusChoiceFor(int commandId);

// "Offline", "Online", "Back soon" ...
std::u16string OwnStatusText(PresenceStatus status, SubStatus subStatus);

enum class OwnStatusImage
{
    Online,
    Away,
    Busy,
    Offline
};
OwnStatusImage OwnImage(PresenceStatus status, SubStatus subStatus);

// The banner: "My Status:\r\n" + name + " (" + status [+ " - " + custom] + ")", and the tip
// without the first line.
struct OwnStatusBanner
{
    std::u16string text;
    std::u16string tip;
    OwnStatusImage image;
};
OwnStatusBanner MakeOwnStatusBanner(const ContactRecord& own);

// The custom status box holds at most this many characters.
inline constexpr int kCustomStatusMaxLength = 127;

} // namespace zep::contacts
