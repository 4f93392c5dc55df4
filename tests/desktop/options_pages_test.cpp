#include "desktop/autostart.h"
#include "options_fixture.h"
#include "session/password_scramble.h"
#include "tests/support/qt_wait.h"
#include "transport/tls_pins.h"

#include <QDir>
#include <QFileInfo>
#include <QRadioButton>

namespace zep::test {
namespace {

using Page = CZEPOptionsDialog::Page;

// ---- each control to its value --------------------------------------------------------------

enum class Act
{
    Tick,
    Untick,
    Pick,
    Type
};

struct ControlRow
{
    const char* name; // the case
    Page page;
    const char* control; // object name
    Act act;
    const char* input; // entry text or typed text
    const char* key;
    const char* stored;
};

void PrintTo(const ControlRow& row, std::ostream* out)
{
    *out << row.name;
}

class OptionsControlTest : public OptionsTest, public ::testing::WithParamInterface<ControlRow>
{
};

TEST_P(OptionsControlTest, OkStoresTheControlsValue)
{
    const ControlRow& row = GetParam();
    {
        Settings settings;
        // The opposite of what the row sets, so a page that writes nothing is caught.
        for (const char* box : {"IMOnlineShowLocation", "WebmailIMEmailTransaction"})
            settings.WriteText(box, "1");
        settings.WriteInt(setting::UseSsl, 1);
        // The proxy's address takes typing only while the proxy is used.
        settings.WriteInt(setting::UseProxy, std::string(row.key) == setting::ProxyServer);
    }
    OpenLoaded(Variables({{"IMOnlineShowLocation", "1"}, {"WebmailIMEmailTransaction", "1"}}));
    switch (row.act) {
    case Act::Tick:
    case Act::Untick: {
        auto* box = Control<QAbstractButton>(row.page, row.control);
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->isEnabled());
        ASSERT_NE(box->isChecked(), row.act == Act::Tick) << "the row must change the box";
        Click(box);
        break;
    }
    case Act::Pick:
        Pick(Control<QComboBox>(row.page, row.control), QString::fromUtf8(row.input));
        break;
    case Act::Type:
        Type(Control<QLineEdit>(row.page, row.control), QString::fromUtf8(row.input));
        break;
    }
    EXPECT_TRUE(sheet->ApplyButton()->isEnabled());
    sheet->OkButton()->click();
    if (!host.stores.empty())
        host.ReleaseStore(ImResult::Ok);
    EXPECT_TRUE(SheetGone());
    EXPECT_EQ(S(Settings().ReadText(row.key)), row.stored);
}

const ControlRow kControlRows[] = {
    {"online_email", Page::PersonalPage, "IMOnlineShowEmail", Act::Tick, "", "IMOnlineShowEmail",
     "1"},
    {"online_calendar", Page::PersonalPage, "IMOnlineShowCalendar", Act::Tick, "",
     "IMOnlineShowCalendar", "1"},
    {"online_calendar_status", Page::PersonalPage, "IMOnlineCalendarStatus", Act::Pick, "Lunch",
     "IMOnlineCalendarStatus", "LUNCH"},
    {"online_location_off", Page::PersonalPage, "IMOnlineShowLocation", Act::Untick, "",
     "IMOnlineShowLocation", "0"},
    {"offline_email", Page::PersonalPage, "IMOfflineShowEmail", Act::Tick, "", "IMOfflineShowEmail",
     "1"},
    {"offline_calendar", Page::PersonalPage, "IMOfflineShowCalendar", Act::Tick, "",
     "IMOfflineShowCalendar", "1"},
    {"offline_calendar_back_soon", Page::PersonalPage, "IMOfflineCalendarStatus", Act::Pick,
     "Back soon", "IMOfflineCalendarStatus", "TA"},
    {"offline_method_shown", Page::PersonalPage, "IMShowOfflineContactMethod", Act::Tick, "",
     "IMShowOfflineContactMethod", "1"},
    {"offline_method_pager", Page::PersonalPage, "IMOfflineContactMethod", Act::Pick, "Work Pager",
     "IMOfflineContactMethod", "WORKPAGER"},
    {"default_status_offline", Page::PersonalPage, "WebmailIMAvailability", Act::Pick, "Offline",
     "WebmailIMAvailability", "UNAVAILABLE"},
    {"default_status_dnd", Page::PersonalPage, "WebmailIMAvailability", Act::Pick, "Do not disturb",
     "WebmailIMAvailability", "DND"},
    {"show_away", Page::PersonalPage, "IMShowAway", Act::Tick, "", "IMShowAway", "1"},
    {"away_time", Page::PersonalPage, "IMAwayTime", Act::Type, "15", "IMAwayTime", "15"},
    {"transcripts_off", Page::MessagePage, "WebmailIMEmailTransaction", Act::Untick, "",
     "WebmailIMEmailTransaction", "0"},
    {"send_on_enter", Page::MessagePage, "WebmailIMSendOnEnter", Act::Tick, "",
     "WebmailIMSendOnEnter", "1"},
    {"timestamps_off", Page::MessagePage, "showtimestamps", Act::Untick, "", "showtimestamps", "0"},
    {"history_off", Page::MessagePage, "keephistory", Act::Untick, "", "keephistory", "0"},
    {"open_main", Page::GeneralPage, "openmainwnd", Act::Tick, "", "openmainwnd", "1"},
    {"auto_logon", Page::GeneralPage, "autologon", Act::Tick, "", "autologon", "1"},
    {"mode_specified", Page::GeneralPage, "emailmode1", Act::Tick, "", "emailmode", "1"},
    {"email", Page::AccountPage, "email", Act::Type, "ann@example.org", "email", "ann@example.org"},
    {"save_password", Page::AccountPage, "savepassword", Act::Tick, "", "savepassword", "1"},
    {"server", Page::ConnectionPage, "server", Act::Type, "im.example.org", "server",
     "im.example.org"},
    {"use_ssl_off", Page::ConnectionPage, "usessl", Act::Untick, "", "usessl", "0"},
    {"use_proxy", Page::ConnectionPage, "useproxy", Act::Tick, "", "useproxy", "1"},
    {"proxy_server", Page::ConnectionPage, "httppxyserver", Act::Type, "proxy.example.org",
     "httppxyserver", "proxy.example.org"},
};

INSTANTIATE_TEST_SUITE_P(Pages, OptionsControlTest, ::testing::ValuesIn(kControlRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- what the pages show ------------------------------------------------------------------

TEST_F(OptionsTest, ListsShowTheStoredWordAndKeepAnUnknownOne)
{
    {
        Settings settings;
        settings.WriteText("IMOfflineContactMethod", "x"); // replaced by the fetch below
        settings.WriteText("IMOnlineCalendarStatus", "x");
    }
    OpenLoaded(Variables({{"IMOfflineContactMethod", "homemobile"},
                          {"IMOnlineCalendarStatus", "SLEEPING"},
                          {"IMOnlineShowEmail", "true"},
                          {"IMOfflineShowEmail", "1"}}));
    EXPECT_EQ(S(Control<QComboBox>(Page::PersonalPage, "IMOfflineContactMethod")->currentText()),
              "Home Mobile");
    EXPECT_EQ(Control<QComboBox>(Page::PersonalPage, "IMOnlineCalendarStatus")->currentIndex(), -1);
    EXPECT_EQ(S(Control<QComboBox>(Page::PersonalPage, "WebmailIMAvailability")->currentText()),
              "Online")
        << "an empty fetched value stands for the default";
    EXPECT_FALSE(Control<QCheckBox>(Page::PersonalPage, "IMOnlineShowEmail")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(Page::PersonalPage, "IMOfflineShowEmail")->isChecked());
    EXPECT_EQ(Control<QComboBox>(Page::PersonalPage, "IMOfflineCalendarStatus")->maxVisibleItems(),
              6);
    sheet->OkButton()->click();
    host.ReleaseStore(ImResult::Ok);
    Settings settings;
    EXPECT_EQ(S(settings.ReadText("IMOnlineCalendarStatus")), "SLEEPING")
        << "a list without a selection is not written";
    EXPECT_EQ(S(settings.ReadText("IMOfflineContactMethod")), "HOMEMOBILE");
}

// ---- the start-up pair --------------------------------------------------------------------

struct PairRow
{
    const char* name;
    bool launch, mail; // shown at first
    const char* click; // the box the user clicks
    bool wantLaunch, wantMail;
};

void PrintTo(const PairRow& row, std::ostream* out)
{
    *out << row.name;
}

class StartupPairTest : public OptionsTest, public ::testing::WithParamInterface<PairRow>
{
};

TEST_P(StartupPairTest, BoxesFollowEachOtherAndApply)
{
    const PairRow& row = GetParam();
    ASSERT_TRUE(SetRunValue(row.launch, host.executable));
    Settings().WriteInt(setting::AutoLaunchEmailClient, row.mail ? 1 : 0);
    host.loggedOn = false;
    OpenSheet();
    auto* launch = Control<QCheckBox>(Page::GeneralPage, "run");
    auto* mail = Control<QCheckBox>(Page::GeneralPage, "autolaunchemailclient");
    ASSERT_EQ(launch->isChecked(), row.launch);
    ASSERT_EQ(mail->isChecked(), row.mail);
    Click(QLatin1String(row.click) == QLatin1String("run") ? launch : mail);
    EXPECT_EQ(launch->isChecked(), row.wantLaunch);
    EXPECT_EQ(mail->isChecked(), row.wantMail);
    sheet->ApplyButton()->click();
    EXPECT_EQ(TestRunValue(host.executable), row.wantLaunch);
    EXPECT_EQ(Settings().ReadInt(setting::AutoLaunchEmailClient, -1), row.wantMail ? 1 : 0);
}

const PairRow kPairRows[] = {
    {"untick_launch_unticks_mail", true, true, "run", false, false},
    {"tick_mail_ticks_launch", false, false, "autolaunchemailclient", true, true},
    {"tick_launch_alone", false, false, "run", true, false},
    {"untick_mail_keeps_launch", true, true, "autolaunchemailclient", true, false},
};

INSTANTIATE_TEST_SUITE_P(General, StartupPairTest, ::testing::ValuesIn(kPairRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsTest, MailLaunchWithoutAutostartShowsUnticked)
{
    Settings().WriteInt(setting::AutoLaunchEmailClient, 1);
    host.loggedOn = false;
    OpenSheet();
    EXPECT_FALSE(Control<QCheckBox>(Page::GeneralPage, "autolaunchemailclient")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(Page::GeneralPage, "openmainwnd")->isChecked())
        << "missing values show unticked in the options";
    EXPECT_FALSE(Control<QCheckBox>(Page::GeneralPage, "autologon")->isChecked());
}

TEST_F(OptionsTest, FailedAutostartWriteIsToldAndStopsTheStartupWrites)
{
    // A file where the autostart folder belongs: the entry cannot be written.
    const QFileInfo folder(QFileInfo(AutostartEntryPath()).absolutePath());
    ASSERT_TRUE(QDir().mkpath(folder.absolutePath()));
    QFile blocker(folder.absoluteFilePath());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    host.loggedOn = false;
    OpenSheet();
    Click(Control<QCheckBox>(Page::GeneralPage, "run"));
    Click(Control<QCheckBox>(Page::GeneralPage, "openmainwnd"));
    sheet->ApplyButton()->click();
    ASSERT_EQ(NoticeTexts().size(), 1u);
    EXPECT_EQ(NoticeTexts()[0], CZEPOptionsDialog::AutostartFailedText());
    EXPECT_FALSE(Settings().Contains(setting::OpenMainWnd));
    EXPECT_FALSE(SheetGone()) << "Apply keeps the sheet open";
}

// ---- ports --------------------------------------------------------------------------------

struct PortRow
{
    const char* name;
    const char* field;
    const char* typed;
    int stored; // 0: refused
};

void PrintTo(const PortRow& row, std::ostream* out)
{
    *out << row.name;
}

class PortTest : public OptionsTest, public ::testing::WithParamInterface<PortRow>
{
};

TEST_P(PortTest, StoresOrRefuses)
{
    const PortRow& row = GetParam();
    Settings().WriteInt(row.field, 1234);
    Settings().WriteInt(setting::UseProxy, 1); // the proxy's fields are live only while it is used
    host.loggedOn = false;
    OpenSheet();
    Type(Control<QLineEdit>(Page::AccountPage, "email"), "a@example.org"); // shown before
    auto* edit = Control<QLineEdit>(Page::ConnectionPage, row.field);
    ASSERT_EQ(S(edit->text()), "1234");
    Type(edit, QString::fromUtf8(row.typed));
    ShowPage(Page::MessagePage);
    sheet->ApplyButton()->click();
    if (row.stored == 0) {
        EXPECT_EQ(sheet->Tabs()->currentIndex(), Page::ConnectionPage);
        ASSERT_EQ(NoticeTexts().size(), 1u);
        EXPECT_TRUE(NoticeTexts()[0].contains("65535"));
        EXPECT_EQ(Settings().ReadInt(row.field, 0), 1234);
        EXPECT_FALSE(Settings().Contains(setting::Email)) << "a refusal writes no page";
        EXPECT_EQ(S(edit->text()), S(QString::fromUtf8(row.typed))) << "left to correct";
        sheet->OkButton()->click();
        EXPECT_FALSE(SheetGone()) << "OK is refused the same way";
        sheet->CancelButton()->click();
        EXPECT_TRUE(SheetGone());
    } else {
        EXPECT_TRUE(NoticeTexts().empty());
        EXPECT_EQ(Settings().ReadInt(row.field, 0), row.stored);
        EXPECT_EQ(S(Settings().ReadText(setting::Email)), "a@example.org");
        EXPECT_EQ(S(edit->text()), S(QString::number(row.stored))) << "shows what is stored";
    }
}

const PortRow kPortRows[] = {
    {"empty_is_default", "port", "", 8367},
    {"zero_is_default", "port", "0", 8367},
    {"zero_ssl_default", "sslport", "0", 8368},
    {"empty_proxy_default", "httppxyport", "", 8080},
    {"lowest", "port", "1", 1},
    {"highest", "sslport", "65535", 65535},
    {"spaces_around", "httppxyport", " 3128 ", 3128},
    {"one_past_16_bits", "port", "65536", 0},
    {"would_wrap", "port", "70000", 0},
    {"letters", "sslport", "abc", 0},
    {"negative", "httppxyport", "-1", 0},
    {"plus_sign", "port", "+80", 0},
    {"trailing_letters", "port", "80x", 0},
};

INSTANTIATE_TEST_SUITE_P(Connection, PortTest, ::testing::ValuesIn(kPortRows),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- away time ----------------------------------------------------------------------------

struct AwayRow
{
    const char* typed;
    const char* stored;
};

void PrintTo(const AwayRow& row, std::ostream* out)
{
    *out << '"' << row.typed << '"';
}

class AwayTimeTest : public OptionsTest, public ::testing::WithParamInterface<AwayRow>
{
};

TEST_P(AwayTimeTest, StoredAndShownAfterApply)
{
    OpenLoaded(Variables({{"IMAwayTime", "5"}}));
    auto* edit = Control<QLineEdit>(Page::PersonalPage, "IMAwayTime");
    ASSERT_EQ(S(edit->text()), "5");
    Type(edit, QString::fromUtf8(GetParam().typed));
    sheet->ApplyButton()->click();
    EXPECT_EQ(S(Settings().ReadText("IMAwayTime")), GetParam().stored);
    EXPECT_EQ(S(edit->text()), GetParam().stored);
    ASSERT_EQ(host.stores.size(), 1u);
    EXPECT_EQ(host.stores[0].variables.values[ServerVariables::IndexOf("IMAwayTime")],
              GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Personal, AwayTimeTest,
                         ::testing::Values(AwayRow{"2", "3"}, AwayRow{"3", "3"},
                                           AwayRow{"10", "10"}, AwayRow{"010", "10"},
                                           AwayRow{"", "3"}, AwayRow{"0", "3"},
                                           AwayRow{"9999", "9999"}));

// ---- mail client --------------------------------------------------------------------------

TEST_F(OptionsTest, RegisteredClientClosesWithoutSelectionAndKeepsStoredClient)
{
    Settings().WriteText(setting::EmailClient, "gone.desktop");
    host.loggedOn = false;
    OpenSheet();
    auto* list = Control<QComboBox>(Page::GeneralPage, "emailclient");
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_TRUE(Control<QRadioButton>(Page::GeneralPage, "emailmode0")->isChecked());
    sheet->OkButton()->click();
    EXPECT_TRUE(SheetGone());
    EXPECT_EQ(S(Settings().ReadText(setting::EmailClient)), "gone.desktop");
    EXPECT_EQ(Settings().ReadInt(setting::EmailMode, -1), 0);
}

TEST_F(OptionsTest, SpecifiedClientWithoutSelectionIsRefusedWithReason)
{
    host.clients = {};
    host.loggedOn = false;
    OpenSheet();
    Click(Control<QRadioButton>(Page::GeneralPage, "emailmode1"));
    auto* list = Control<QComboBox>(Page::GeneralPage, "emailclient");
    ASSERT_EQ(list->count(), 1) << "an empty enumeration still offers the webmail";
    EXPECT_EQ(S(list->itemText(0)), kWebMailClient);
    list->setCurrentIndex(-1);
    ShowPage(Page::AccountPage);
    sheet->OkButton()->click();
    EXPECT_FALSE(SheetGone());
    EXPECT_EQ(sheet->Tabs()->currentIndex(), Page::GeneralPage);
    ASSERT_EQ(NoticeTexts().size(), 1u);
    EXPECT_TRUE(NoticeTexts()[0].contains("email client"));
    EXPECT_FALSE(Settings().Contains(setting::EmailMode));
    Pick(list, kWebMailClient);
    sheet->OkButton()->click();
    EXPECT_TRUE(SheetGone());
    EXPECT_EQ(S(Settings().ReadText(setting::EmailClient)), kWebMailClient);
}

TEST_F(OptionsTest, ClientListShowsNamesAndStoresIds)
{
    Settings settings;
    settings.WriteInt(setting::EmailMode, 1);
    settings.WriteText(setting::EmailClient, "org.example.Other.desktop");
    host.loggedOn = false;
    OpenSheet();
    auto* list = Control<QComboBox>(Page::GeneralPage, "emailclient");
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->itemText(i);
    EXPECT_EQ(names, (QStringList{"Example Mail", "Other Mail", kWebMailClient}));
    EXPECT_EQ(S(list->currentText()), "Other Mail");
    EXPECT_TRUE(list->isEnabled());
    Pick(list, "Example Mail");
    sheet->OkButton()->click();
    EXPECT_EQ(S(Settings().ReadText(setting::EmailClient)), "org.example.Mail.desktop");
}

// ---- password -----------------------------------------------------------------------------

class PasswordTest : public OptionsTest
{
protected:
    void SetUp() override
    {
        OptionsTest::SetUp();
        Settings settings;
        settings.WriteInt(setting::SavePassword, 1);
        settings.WriteText(setting::Password, QString::fromStdString(PasswordScramble("secret")));
        host.loggedOn = false;
        OpenSheet();
        edit = Control<QLineEdit>(Page::AccountPage, "password");
        ASSERT_NE(edit, nullptr);
    }
    std::string Saved() const
    {
        return PasswordUnscramble(Settings().ReadText(setting::Password).toStdString());
    }
    // Keeping a password first asks the session bus for a keyring: the value follows on the
    // event loop.
    std::string SavedOnceKept(const std::string& want) const
    {
        test::WaitUntil([&] { return Saved() == want; }, std::chrono::seconds(5));
        return Saved();
    }
    QLineEdit* edit = nullptr;
};

TEST_F(PasswordTest, PlaceholderUntouchedKeepsThePassword)
{
    EXPECT_EQ(S(edit->text()), CZEPOptionsAccount::kPlaceholder);
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    sheet->OkButton()->click();
    EXPECT_EQ(Saved(), "secret");
}

struct KeyRow
{
    const char* name;
    int key;           // pressed at the end of the placeholder
    const char* typed; // then typed
    const char* saved;
};

void PrintTo(const KeyRow& row, std::ostream* out)
{
    *out << row.name;
}

class PlaceholderKeyTest : public PasswordTest, public ::testing::WithParamInterface<KeyRow>
{
};

TEST_P(PlaceholderKeyTest, FirstKeystrokeReplacesThePlaceholder)
{
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, static_cast<Qt::Key>(GetParam().key));
    QTest::keyClicks(edit, GetParam().typed);
    sheet->OkButton()->click();
    EXPECT_EQ(SavedOnceKept(GetParam().saved), GetParam().saved);
}

INSTANTIATE_TEST_SUITE_P(Account, PlaceholderKeyTest,
                         ::testing::Values(KeyRow{"letter", Qt::Key_X, "yz", "xyz"},
                                           KeyRow{"star", Qt::Key_Asterisk, "1", "*1"},
                                           KeyRow{"backspace_then_type", Qt::Key_Backspace, "new",
                                                  "new"},
                                           KeyRow{"backspace_alone", Qt::Key_Backspace, "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PasswordTest, PlaceholderClearedOnFirstKeystroke)
{
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_A);
    EXPECT_EQ(S(edit->text()), "a");
    edit->home(false);
    QTest::keyClick(edit, Qt::Key_B);
    EXPECT_EQ(S(edit->text()), "ba") << "only the first keystroke replaces the text";
}

TEST_F(PasswordTest, UntickingSaveRemovesThePassword)
{
    Click(Control<QCheckBox>(Page::AccountPage, "savepassword"));
    sheet->ApplyButton()->click();
    EXPECT_FALSE(Settings().Contains(setting::Password));
    EXPECT_EQ(Settings().ReadInt(setting::SavePassword, -1), 0);
    EXPECT_TRUE(edit->text().isEmpty()) << "no placeholder for a password that is gone";
}

TEST_F(PasswordTest, NoPlaceholderWithoutSavePassword)
{
    sheet->CancelButton()->click();
    Settings().WriteInt(setting::SavePassword, 0);
    OpenSheet();
    EXPECT_TRUE(Control<QLineEdit>(Page::AccountPage, "password")->text().isEmpty());
}

// ---- trusted certificate ------------------------------------------------------------------

TEST_F(OptionsTest, TrustedCertificateOfTheTypedServerAndItsForgetButton)
{
    const std::string a(64, 'A');
    const std::string b(64, 'B');
    const std::string file = DefaultTrustFile();
    struct Row
    {
        const char* name;
        const char* server; // typed on the page
        const char* sslPort;
        std::string shown;       // the pinned fingerprint, colon form; empty: none
        std::string afterForget; // the trust file after "Forget" (when a pin is shown)
    } rows[] = {
        {"pin of the server and secure port", "im.example.org", "8368", ColonFingerprint(a),
         "im.example.org 9000 " + b + "\nother.example 8368 " + b + "\n"},
        {"host case does not matter", "IM.Example.ORG", "8368", ColonFingerprint(a),
         "im.example.org 9000 " + b + "\nother.example 8368 " + b + "\n"},
        {"the typed secure port picks the pin", "im.example.org", "9000", ColonFingerprint(b),
         "im.example.org 8368 " + a + "\nother.example 8368 " + b + "\n"},
        {"empty secure port is the default port", " im.example.org ", "", ColonFingerprint(a),
         "im.example.org 9000 " + b + "\nother.example 8368 " + b + "\n"},
        {"no pin for this port", "im.example.org", "8367", "", ""},
        {"no pin for this server", "new.example", "8368", "", ""},
    };
    const std::string before = "im.example.org 8368 " + a + "\nim.example.org 9000 " + b +
                               "\nother.example 8368 " + b + "\n";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::remove(file.c_str());
        ASSERT_EQ(SavePins(file, ParsePins(before)), ImResult::Ok);
        Settings().WriteText(setting::Server, "somewhere.else");
        host.loggedOn = false;
        OpenSheet();
        auto* label = Control<QLabel>(Page::ConnectionPage, "pinnedcertificate");
        auto* forget = Control<QPushButton>(Page::ConnectionPage, "forgetcertificate");
        ASSERT_TRUE(label && forget);
        EXPECT_FALSE(forget->isEnabled()) << "no pin for the stored server";
        Type(Control<QLineEdit>(Page::ConnectionPage, "server"), QString::fromUtf8(row.server));
        Type(Control<QLineEdit>(Page::ConnectionPage, "sslport"), QString::fromUtf8(row.sslPort));
        EXPECT_EQ(forget->isEnabled(), !row.shown.empty());
        if (row.shown.empty()) {
            EXPECT_FALSE(label->text().contains("SHA-256")) << S(label->text());
        } else {
            EXPECT_EQ(S(label->text()), "SHA-256 " + row.shown);
            forget->click();
            EXPECT_FALSE(forget->isEnabled());
            EXPECT_FALSE(label->text().contains("SHA-256")) << S(label->text());
            std::vector<TlsPin> left;
            ASSERT_EQ(LoadPins(file, left), ImResult::Ok);
            EXPECT_EQ(FormatPins(left), row.afterForget);
        }
        sheet->CancelButton()->click();
        ASSERT_TRUE(SheetGone());
    }
}

} // namespace
} // namespace zep::test
