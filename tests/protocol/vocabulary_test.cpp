#include "protocol/vocabulary.h"

#include <gtest/gtest.h>

namespace zep {
namespace {

TEST(Vocabulary, StatusIsCaseSensitive)
{
    PresenceStatus s = PresenceStatus::Available;
    EXPECT_EQ(PresenceStatusFromWord(std::string_view("available"), s), ImResult::NotFound);
    EXPECT_EQ(s, PresenceStatus::Unavailable);
    EXPECT_EQ(PresenceStatusFromWord(std::string_view("AVAILABLE"), s), ImResult::Ok);
    EXPECT_EQ(s, PresenceStatus::Available);
    EXPECT_EQ(PresenceStatusFromWord(std::u16string_view(u"UNAVAILABLE"), s), ImResult::Ok);
    EXPECT_EQ(s, PresenceStatus::Unavailable);
    std::string w = "x";
    EXPECT_EQ(PresenceStatusToWord(static_cast<PresenceStatus>(2), w), ImResult::NotFound);
    EXPECT_EQ(w, "");
}

TEST(Vocabulary, SubStatusTable)
{
    const std::pair<std::string_view, SubStatus> rows[] = {
        {"", SubStatus::None},           {"TA", SubStatus::TemporarilyAway},
        {"XA", SubStatus::ExtendedAway}, {"DND", SubStatus::DoNotDisturb},
        {"PHONE", SubStatus::Phone},     {"LUNCH", SubStatus::Lunch},
        {"MEETING", SubStatus::Meeting}};
    for (auto [word, value] : rows) {
        SubStatus s = SubStatus::Meeting;
        EXPECT_EQ(SubStatusFromWord(word, s), ImResult::Ok) << word;
        EXPECT_EQ(s, value);
        std::string back;
        EXPECT_EQ(SubStatusToWord(value, back), ImResult::Ok);
        EXPECT_EQ(back, word);
    }
    SubStatus s = SubStatus::Lunch;
    EXPECT_EQ(SubStatusFromWord(std::string_view("dnd"), s), ImResult::NotFound);
    EXPECT_EQ(s, SubStatus::None);
    std::string w = "x";
    EXPECT_EQ(SubStatusToWord(static_cast<SubStatus>(7), w), ImResult::NotFound);
    EXPECT_EQ(w, "");
}

TEST(Vocabulary, ContactMethodIsCaseInsensitiveWithConsecutiveTexts)
{
    ContactMethod m = ContactMethod::None;
    EXPECT_EQ(ContactMethodFromWord(std::string_view("email"), m), ImResult::Ok);
    EXPECT_EQ(m, ContactMethod::Email);
    EXPECT_EQ(ContactMethodFromWord(std::u16string_view(u"Email"), m), ImResult::Ok);
    EXPECT_EQ(m, ContactMethod::Email);
    EXPECT_EQ(ContactMethodFromWord(std::string_view(""), m), ImResult::Ok);
    EXPECT_EQ(m, ContactMethod::None);
    EXPECT_EQ(ContactMethodFromWord(std::u16string_view(u"W\u00d6RKSMS"), m), ImResult::NotFound);
    const char* words[] = {"",           "EMAIL",     "HOMESMS",   "WORKSMS",
                           "WORKPAGER",  "HOMEPHONE", "WORKPHONE", "HOMEMOBILE",
                           "WORKMOBILE", "HOMEFAX",   "WORKFAX"};
    for (int v = 0; v <= 10; ++v) {
        std::string w;
        EXPECT_EQ(ContactMethodToWord(static_cast<ContactMethod>(v), w), ImResult::Ok);
        EXPECT_EQ(w, words[v]);
        if (v >= 2) {
            EXPECT_EQ(ContactMethodTextId(static_cast<ContactMethod>(v)), 61226 + v);
        }
    }
    EXPECT_EQ(ContactMethodWordToDisplay("worksms"), "Work SMS");
    EXPECT_EQ(ContactMethodDisplayToWord("Home Fax"), "HOMEFAX");
    EXPECT_EQ(ContactMethodDisplayToWord("Nothing"), "");
}

TEST(Vocabulary, ListClientAndEmailState)
{
    ListType t = ListType::Blocked;
    EXPECT_EQ(ListTypeFromWord("CONTACT", t), ImResult::Ok);
    EXPECT_EQ(t, ListType::Contact);
    EXPECT_EQ(ListTypeFromWord("contact", t), ImResult::NotFound);
    EXPECT_EQ(t, ListType::Contact); // unchanged
    std::string w = "keep";
    EXPECT_EQ(ListTypeToWord(static_cast<ListType>(0), w), ImResult::NotFound);
    EXPECT_EQ(w, "keep");

    ClientType c = ClientType::Webmail;
    EXPECT_EQ(ClientTypeFromWord("webmail", c), ImResult::Ok);
    EXPECT_EQ(c, ClientType::Webmail);
    EXPECT_EQ(ClientTypeToWord(static_cast<ClientType>(5), w), ImResult::NotFound);
    EXPECT_EQ(w, "IM");

    EmailState e = EmailState::On;
    EXPECT_EQ(EmailStateFromWord(std::string_view("off"), e), ImResult::Ok);
    EXPECT_EQ(e, EmailState::Off);
    EXPECT_EQ(EmailStateFromWord(std::u16string_view(u""), e), ImResult::Ok);
    EXPECT_EQ(e, EmailState::None);
    EXPECT_EQ(EmailStateFromWord(std::string_view("MAYBE"), e), ImResult::NotFound);
    EXPECT_EQ(e, EmailState::None);
}

TEST(Vocabulary, DisplayTexts)
{
    EXPECT_EQ(StatusWordToDisplay("AVAILABLE"), "Online");
    EXPECT_EQ(StatusWordToDisplay("UNAVAILABLE"), "Offline");
    EXPECT_EQ(StatusWordToDisplay("BUSY"), "");
    EXPECT_EQ(SubStatusWordToDisplay("XA"), "Away");
    EXPECT_EQ(SubStatusDisplayToWord("Back soon"), "TA");
    EXPECT_EQ(SubStatusWordToDisplay(""), "");
    EXPECT_EQ(VocabularyText(kIdsMyStatus), "My Status");
    EXPECT_EQ(VocabularyText(kIdsCustomStatusMenu), "Custom Status...");
    EXPECT_EQ(VocabularyText(1), "");
}

} // namespace
} // namespace zep
