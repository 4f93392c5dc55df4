// The add-in's string table: captions and tool tips by their resource numbers.
#pragma once

#include <optional>
#include <string>

namespace zep::addin {

namespace str {
inline constexpr int ModuleName = 100;
inline constexpr int Open = 101;
inline constexpr int Launch = 102;
inline constexpr int Hide = 103;
inline constexpr int LogIn = 104;
inline constexpr int LogOut = 105;
inline constexpr int Exit = 106;
inline constexpr int Send = 107;
inline constexpr int InstantMessage = 108;
inline constexpr int SmsMessage = 109;
inline constexpr int PagerMessage = 110;
inline constexpr int TipInstantMessage = 111;
inline constexpr int TipSms = 112;
inline constexpr int TipPager = 113;
inline constexpr int TipEmail = 114;
inline constexpr int EmailMessage = 115;
} // namespace str

// The text of a string resource (UTF-8); nothing for a number that has none.
std::optional<std::string> LoadString(int id);

// The toolbar's name and the message-type pop-up's caption: fixed texts, not resources.
inline constexpr char kToolbarName[] = "ZEP Instant Messenger";
inline constexpr char kSendTypeCaption[] = " ";

} // namespace zep::addin
