#pragma once
// Presence and contact-method vocabulary: enumeration values, wire words and display texts.

#include "common/im_result.h"

#include <string>
#include <string_view>

namespace zep {

enum class PresenceStatus : int
{
    Available = 0,
    Unavailable = 1
};

enum class SubStatus : int
{
    None = 0,
    TemporarilyAway = 1,
    ExtendedAway = 2,
    DoNotDisturb = 3,
    Phone = 4,
    Lunch = 5,
    Meeting = 6,
};

enum class ContactMethod : int
{
    None = 0,
    Email = 1,
    HomeSms = 2,
    WorkSms = 3,
    WorkPager = 4,
    HomePhone = 5,
    WorkPhone = 6,
    HomeMobile = 7,
    WorkMobile = 8,
    HomeFax = 9,
    WorkFax = 10,
};

enum class ListType : int
{
    Contact = 1,
    Blocked = 2
};
enum class ClientType : int
{
    Im = 0,
    Webmail = 1
};
enum class EmailState : int
{
    None = 0,
    On = 1,
    Off = 2
};

// The order in which the status menus list the sub-states.
inline constexpr SubStatus kSubStatusMenuOrder[] = {
    SubStatus::DoNotDisturb, SubStatus::TemporarilyAway, SubStatus::ExtendedAway,
    SubStatus::Phone,        SubStatus::Lunch,           SubStatus::Meeting};

// Word to value. On an unknown word the value is the field's default (noted per function) and
// the result NotFound.
ImResult PresenceStatusFromWord(std::string_view word, PresenceStatus& out); // Unavailable
ImResult PresenceStatusFromWord(std::u16string_view word, PresenceStatus& out);
ImResult SubStatusFromWord(std::string_view word, SubStatus& out); // None
ImResult SubStatusFromWord(std::u16string_view word, SubStatus& out);
ImResult ContactMethodFromWord(std::string_view word, ContactMethod& out); // None
ImResult ContactMethodFromWord(std::u16string_view word, ContactMethod& out);
ImResult ListTypeFromWord(std::string_view word, ListType& out);     // unchanged
ImResult ClientTypeFromWord(std::string_view word, ClientType& out); // Im
ImResult EmailStateFromWord(std::string_view word, EmailState& out); // None
ImResult EmailStateFromWord(std::u16string_view word, EmailState& out);

// Value to word. On an unknown value the word is empty (ClientType: "IM"; ListType: unchanged)
// and the result NotFound.
ImResult PresenceStatusToWord(PresenceStatus value, std::string& out);
ImResult SubStatusToWord(SubStatus value, std::string& out);
ImResult ContactMethodToWord(ContactMethod value, std::string& out);
ImResult ListTypeToWord(ListType value, std::string& out);
ImResult ClientTypeToWord(ClientType value, std::string& out);
ImResult EmailStateToWord(EmailState value, std::string& out);

// Display texts (English string table) and their string ids.
inline constexpr int kIdsMyStatus = 61214;
inline constexpr int kIdsContactBy = 61227;
inline constexpr int kIdsLocation = 61237;
inline constexpr int kIdsCustomStatus = 61238;
inline constexpr int kIdsCustomStatusMenu = 61262;

// The string table text of an id of the vocabulary ("Online", "Work SMS", "My Status" ...);
// empty for another id.
std::string VocabularyText(int stringId);

int PresenceStatusTextId(PresenceStatus value); // 0 when unknown
int SubStatusTextId(SubStatus value);           // 0 for None and unknown
int ContactMethodTextId(ContactMethod value);   // 0 for None and unknown

// Wire word to display text: empty for an unknown word. Display text to wire word: empty
// when no entry has that text.
std::string StatusWordToDisplay(std::string_view word);
std::string StatusDisplayToWord(std::string_view text);
std::string SubStatusWordToDisplay(std::string_view word);
std::string SubStatusDisplayToWord(std::string_view text);
std::string ContactMethodWordToDisplay(std::string_view word);
std::string ContactMethodDisplayToWord(std::string_view text);

} // namespace zep
