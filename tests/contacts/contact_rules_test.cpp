// Row labels, image choice and the contact tip.
#include "contacts/contact_actions.h"
#include "test_rows.h"

#include <gtest/gtest.h>

namespace zep::contacts {
namespace {

using namespace testing;

CContactDisplay Offline(ContactMethod method, const std::string& workMobile = "",
                        const std::string& homeMobile = "", const std::string& pager = "")
{
    ContactRecord r = Contact("Ola", "ola@x.test", PresenceStatus::Unavailable);
    r.contactMethod = method;
    r.workMobile = U(workMobile);
    r.homeMobile = U(homeMobile);
    r.workPager = U(pager);
    return ContactRow(r);
}

OwnAbilities Able(bool sms, bool mobile, bool pager, bool ownPager)
{
    return OwnAbilities{sms, pager, mobile, ownPager};
}

TEST(ContactLabel, NameAloneOrWithSubStatus)
{
    EXPECT_EQ(A(ContactLabel(Contact("Ann", "a@x"))), "Ann");
    EXPECT_EQ(
        A(ContactLabel(Contact("Ann", "a@x", PresenceStatus::Available, SubStatus::DoNotDisturb))),
        "Ann (Do not disturb)");
    EXPECT_EQ(A(ContactLabel(
                  Contact("Ann", "a@x", PresenceStatus::Available, SubStatus::TemporarilyAway))),
              "Ann (Back soon)");
    EXPECT_EQ(A(ContactLabel(
                  Contact("Ann", "a@x", PresenceStatus::Available, static_cast<SubStatus>(9)))),
              "Ann");
}

TEST(ContactImageChoice, SubStatusBeforeStatus)
{
    const OwnAbilities all = Able(true, true, true, true);
    CContactDisplay row = Offline(ContactMethod::Email);
    row.Contact.subStatus = SubStatus::Lunch;
    EXPECT_EQ(ChooseImage(row, all, 0), ContactImage::Away);
    row.Contact.subStatus = SubStatus::Meeting;
    EXPECT_EQ(ChooseImage(row, all, 0), ContactImage::Busy);
    row.Contact.subStatus = SubStatus::None;
    EXPECT_EQ(ChooseImage(row, all, 0), ContactImage::Email);
    row.Contact.status = PresenceStatus::Available; // online: the method does not count
    EXPECT_EQ(ChooseImage(row, all, 0), ContactImage::Contact);
}

TEST(ContactImageChoice, OfflineBySmsPagerAndEmail)
{
    const OwnAbilities all = Able(true, true, true, true);
    EXPECT_EQ(ChooseImage(Offline(ContactMethod::WorkSms, "0711"), all, 0), ContactImage::Sms);
    EXPECT_EQ(ChooseImage(Offline(ContactMethod::HomeSms, "", "0722"), all, 0), ContactImage::Sms);
    // "WORKSMS" without a work mobile is not reachable by SMS: the plain contact image.
    EXPECT_EQ(ChooseImage(Offline(ContactMethod::WorkSms, "", "0722"), all, 0),
              ContactImage::Contact);
    EXPECT_EQ(
        ChooseImage(Offline(ContactMethod::WorkSms, "0711"), Able(true, false, true, true), 0),
        ContactImage::SmsUnavailable);
    EXPECT_EQ(
        ChooseImage(Offline(ContactMethod::WorkSms, "0711"), Able(false, true, true, true), 0),
        ContactImage::Contact);
    EXPECT_EQ(ChooseImage(Offline(ContactMethod::WorkPager, "", "", "555"), all, 0),
              ContactImage::Pager);
    EXPECT_EQ(ChooseImage(Offline(ContactMethod::WorkPager, "", "", "555"),
                          Able(true, true, true, false), 0),
              ContactImage::PagerUnavailable);
    EXPECT_EQ(ChooseImage(Offline(ContactMethod::WorkPager), all, 0), ContactImage::Contact);
    EXPECT_EQ(ChooseImage(Offline(ContactMethod::HomePhone), all, 0), ContactImage::Contact);
}

TEST(ContactImageChoice, FixedRows)
{
    CContactDisplay row;
    const OwnAbilities none;
    row.Kind = ContactDisplayKind::InfoRow;
    EXPECT_EQ(ChooseImage(row, none, 0), ContactImage::Information);
    row.Kind = ContactDisplayKind::OfflinePlaceholder;
    EXPECT_EQ(ChooseImage(row, none, 0), ContactImage::Placeholder);
    row.Kind = ContactDisplayKind::MailNotice;
    EXPECT_EQ(ChooseImage(row, none, 0), ContactImage::NoMail);
    EXPECT_EQ(ChooseImage(row, none, 2), ContactImage::Mail);
    row.Kind = ContactDisplayKind::OfflineHeader;
    row.Flags = 0;
    EXPECT_EQ(ChooseImage(row, none, 0), ContactImage::HeaderCollapsed);
}

TEST(OwnAbilitiesFromRecord, MobilesAndPager)
{
    ContactRecord own;
    own.accountFlags.smsAllowed = true;
    own.homeMobile = u"1";
    const OwnAbilities a = OwnAbilities::FromRecord(own);
    EXPECT_TRUE(a.smsAllowed);
    EXPECT_TRUE(a.hasMobile);
    EXPECT_FALSE(a.hasPager);
    EXPECT_FALSE(a.pagerAllowed);
}

TEST(ContactTip, OnlineShowsLocationNeverContactBy)
{
    ContactRecord r = Contact("Ann", "ann@x.test");
    r.location = u"Room 4";
    r.contactMethod = ContactMethod::WorkSms;
    r.workMobile = u"0711";
    r.customStatus = u"in a call";
    r.emailState = EmailState::On;
    r.emailMethod = u"IMAP";
    r.emailTime = {2026, 12, 7, 14, 5, 9};
    EXPECT_EQ(A(ContactTip(r, u"dd/mm/yyyy hh:mi")),
              "Email: ann@x.test\r\nDetails: Logged in to IMAP at 07/12/2026 14:05\r\n"
              "Location: Room 4\r\nCustom Status: in a call");
}

TEST(ContactTip, OfflineShowsContactByWithNumberNeverLocation)
{
    ContactRecord r = Contact("Ann", "ann@x.test", PresenceStatus::Unavailable);
    r.location = u"Room 4";
    r.contactMethod = ContactMethod::HomeSms;
    r.homeMobile = u"0722";
    r.emailState = EmailState::Off;
    r.emailMethod = u"POP";
    r.emailTime = {2026, 1, 2, 3, 4, 5};
    EXPECT_EQ(
        A(ContactTip(r, u"yyyy")),
        "Email: ann@x.test\r\nDetails: Logged off POP at 2026\r\nContact By: Home SMS (0722)");
    r.contactMethod = ContactMethod::Email; // no number goes with e-mail
    r.emailState = EmailState::None;
    EXPECT_EQ(A(ContactTip(r, u"")), "Email: ann@x.test\r\nContact By: Email");
    r.contactMethod = ContactMethod::WorkFax; // a method whose number is empty
    EXPECT_EQ(A(ContactTip(r, u"")), "Email: ann@x.test\r\nContact By: Work Fax");
}

TEST(ContactTip, FixedRowsAndCutOffLabels)
{
    CContactDisplay notice;
    notice.Kind = ContactDisplayKind::MailNotice;
    notice.Label = u"No recent email messages";
    EXPECT_EQ(A(RowTip(notice, u"")), "Double click here to read your email");
    CContactDisplay header;
    header.Kind = ContactDisplayKind::OnlineHeader;
    header.Label = u"Online";
    EXPECT_EQ(RowTip(header, u""), u"");
    EXPECT_EQ(A(InfoTipText(header, true, u"", 100)), "Online");
    CContactDisplay row = ContactRow(Contact("A very long name", "long@x.test"));
    EXPECT_EQ(A(InfoTipText(row, true, u"", 100)), "A very long name\r\nEmail: long@x.test");
    EXPECT_EQ(A(InfoTipText(row, false, u"", 8)), "Email: "); // cut to the buffer, terminated
}

} // namespace
} // namespace zep::contacts

namespace zep::contacts {
namespace {

using namespace testing;

// One row per case: the own record's status and abilities, the contact, and what the menu and
// a double-click allow.
struct ActionRow
{
    const char* what;
    PresenceStatus ownStatus;
    bool smsAllowed, ownMobile, pagerAllowed, ownPager;
    PresenceStatus status;
    SubStatus sub;
    ContactMethod method;
    const char* workMobile;
    const char* homeMobile;
    const char* pager;
    bool im, sms, pagerOn;
    RowAction activation;
};

TEST(ContactActions, MenuStatesAndActivation)
{
    using enum PresenceStatus;
    const PresenceStatus Off = Unavailable;
    const ActionRow rows[] = {
        {"online contact, own available", Available, 0, 0, 0, 0, Available, SubStatus::None,
         ContactMethod::None, "", "", "", 1, 0, 0, RowAction::StartConversation},
        {"online contact in do-not-disturb", Available, 0, 0, 0, 0, Available,
         SubStatus::DoNotDisturb, ContactMethod::None, "", "", "", 0, 0, 0, RowAction::None},
        {"own status away", Off, 0, 0, 0, 0, Available, SubStatus::None, ContactMethod::None, "",
         "", "", 0, 0, 0, RowAction::None},
        {"offline by e-mail", Available, 0, 0, 0, 0, Off, SubStatus::None, ContactMethod::Email, "",
         "", "", 0, 0, 0, RowAction::OpenEmail},
        {"offline by work SMS, all allowed", Available, 1, 1, 0, 0, Off, SubStatus::None,
         ContactMethod::WorkSms, "0711", "", "", 0, 1, 0, RowAction::OpenSms},
        {"home mobile alone enables SMS", Available, 1, 1, 0, 0, Off, SubStatus::None,
         ContactMethod::HomeSms, "", "0722", "", 0, 1, 0, RowAction::OpenSms},
        {"SMS not allowed for the account", Available, 0, 1, 0, 0, Off, SubStatus::None,
         ContactMethod::WorkSms, "0711", "", "", 0, 0, 0, RowAction::None},
        {"user without a mobile number", Available, 1, 0, 0, 0, Off, SubStatus::None,
         ContactMethod::WorkSms, "0711", "", "", 0, 0, 0, RowAction::None},
        {"contact without a mobile number", Available, 1, 1, 0, 0, Off, SubStatus::None,
         ContactMethod::WorkSms, "", "", "", 0, 0, 0, RowAction::None},
        {"pager, all present", Available, 0, 0, 1, 1, Off, SubStatus::None,
         ContactMethod::WorkPager, "", "", "0733", 0, 0, 1, RowAction::OpenPager},
        {"pager not allowed", Available, 0, 0, 0, 1, Off, SubStatus::None, ContactMethod::WorkPager,
         "", "", "0733", 0, 0, 0, RowAction::None},
        {"user without a pager", Available, 0, 0, 1, 0, Off, SubStatus::None,
         ContactMethod::WorkPager, "", "", "0733", 0, 0, 0, RowAction::None},
        {"offline by telephone opens nothing", Available, 1, 1, 1, 1, Off, SubStatus::None,
         ContactMethod::WorkPhone, "0711", "", "0733", 0, 1, 1, RowAction::None},
        {"online contact with numbers", Available, 1, 1, 1, 1, Available, SubStatus::None,
         ContactMethod::WorkSms, "0711", "", "0733", 1, 1, 1, RowAction::StartConversation},
    };
    for (const ActionRow& r : rows) {
        SCOPED_TRACE(r.what);
        ContactRecord own = Contact("Me", "me@x.test", r.ownStatus);
        own.accountFlags.smsAllowed = r.smsAllowed;
        own.accountFlags.pagerAllowed = r.pagerAllowed;
        own.workMobile = r.ownMobile ? u"0700" : u"";
        own.workPager = r.ownPager ? u"0701" : u"";
        ContactRecord c = Contact("Ola", "ola@x.test", r.status, r.sub);
        c.contactMethod = r.method;
        c.workMobile = U(r.workMobile);
        c.homeMobile = U(r.homeMobile);
        c.workPager = U(r.pager);
        const CContactDisplay row = ContactRow(c);
        const ContactMenuState menu = MenuStateFor(own, row);
        EXPECT_EQ(menu.instantMessage, r.im);
        EXPECT_EQ(menu.sms, r.sms);
        EXPECT_EQ(menu.pager, r.pagerOn);
        EXPECT_EQ(ActivationFor(own, row), r.activation);
    }
}

TEST(ContactActions, RowsThatAreNotContacts)
{
    const ContactRecord own = Contact("Me", "me@x.test");
    const struct
    {
        ContactDisplayKind kind;
        RowAction action;
    } rows[] = {
        {ContactDisplayKind::MailNotice, RowAction::LaunchMail},
        {ContactDisplayKind::OnlineHeader, RowAction::ToggleGroup},
        {ContactDisplayKind::OfflineHeader, RowAction::ToggleGroup},
        {ContactDisplayKind::OnlinePlaceholder, RowAction::AddContact},
        {ContactDisplayKind::OfflinePlaceholder, RowAction::AddContact},
        {ContactDisplayKind::InfoRow, RowAction::None},
    };
    for (const auto& r : rows) {
        CContactDisplay row;
        row.Kind = r.kind;
        EXPECT_EQ(ActivationFor(own, row), r.action) << static_cast<int>(r.kind);
        EXPECT_FALSE(MenuStateFor(own, row).instantMessage);
    }
}

} // namespace
} // namespace zep::contacts
