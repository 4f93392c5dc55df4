#include "options_fixture.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontDialog>
#include <QWindow>

namespace zep::test {
namespace {

using Page = CZEPOptionsDialog::Page;

const char* const kPersonalBoxes[] = {
    "IMOnlineShowEmail",  "IMOnlineShowCalendar",  "IMOnlineShowLocation",
    "IMOfflineShowEmail", "IMOfflineShowCalendar", "IMShowOfflineContactMethod",
    "IMShowAway"};

TEST_F(OptionsTest, SheetIsATopLevelWindowModalToTheFrame)
{
    OpenSheet();
    EXPECT_EQ(sheet->parentWidget(), nullptr);
    EXPECT_TRUE(sheet->isWindow());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    ASSERT_NE(sheet->windowHandle(), nullptr);
    EXPECT_EQ(sheet->windowHandle()->transientParent(), frame.windowHandle());
    EXPECT_TRUE(frame.isEnabled()) << "the frame is blocked by modality, not disabled";
    EXPECT_EQ(S(sheet->windowTitle()), "Options");
    QStringList tabs;
    for (int i = 0; i < sheet->Tabs()->count(); ++i)
        tabs << sheet->Tabs()->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Personal", "Message", "General", "Account", "Connection"}));
    EXPECT_FALSE(sheet->ApplyButton()->isEnabled());
}

TEST_F(OptionsTest, SheetGoesWithItsOwner)
{
    auto* owner = new QMainWindow;
    owner->show();
    sheet = new CZEPOptionsDialog(host, owner);
    ASSERT_TRUE(sheet->Open());
    delete owner;
    EXPECT_TRUE(SheetGone());
}

// ---- the fetch gates the presence controls ----------------------------------------------

TEST_F(OptionsTest, PresenceControlsWaitForTheFetch)
{
    Settings().WriteText("IMOnlineShowEmail", "0"); // stale: the server holds "1"
    OpenSheet();
    ASSERT_EQ(host.fetches.size(), 1u) << "fetched when the sheet opens";
    for (const char* name : kPersonalBoxes) {
        auto* box = Control<QCheckBox>(Page::PersonalPage, name);
        EXPECT_FALSE(box->isEnabled()) << name;
    }
    EXPECT_FALSE(Control<QComboBox>(Page::PersonalPage, "WebmailIMAvailability")->isEnabled());
    EXPECT_FALSE(Control<QLineEdit>(Page::PersonalPage, "IMAwayTime")->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(Page::MessagePage, "WebmailIMSendOnEnter")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(Page::MessagePage, "changefont")->isEnabled());

    // Apply before the reply: nothing stale is written, nothing is sent.
    Type(Control<QLineEdit>(Page::ConnectionPage, "server"), "im.example.org");
    sheet->ApplyButton()->click();
    EXPECT_TRUE(host.stores.empty());
    EXPECT_EQ(S(Settings().ReadText("IMAwayTime", "unset")), "unset");

    host.ReleaseFetch(ImResult::Ok, Variables({{"IMOnlineShowEmail", "1"},
                                               {"WebmailIMSendOnEnter", "1"},
                                               {"IMAwayTime", "7"}}));
    auto* email = Control<QCheckBox>(Page::PersonalPage, "IMOnlineShowEmail");
    EXPECT_TRUE(email->isEnabled());
    EXPECT_TRUE(email->isChecked()) << "the page shows the fetched value";
    EXPECT_EQ(S(Control<QLineEdit>(Page::PersonalPage, "IMAwayTime")->text()), "7");
    EXPECT_TRUE(Control<QCheckBox>(Page::MessagePage, "WebmailIMSendOnEnter")->isChecked());
    EXPECT_EQ(S(Settings().ReadText("IMOnlineShowEmail")), "1");
    EXPECT_FALSE(sheet->ApplyButton()->isEnabled()) << "showing fetched values is no change";

    sheet->OkButton()->click();
    ASSERT_EQ(host.stores.size(), 1u);
    EXPECT_EQ(host.stores[0].variables.values[ServerVariables::IndexOf("IMOnlineShowEmail")], "1");
    host.ReleaseStore(ImResult::Ok);
    EXPECT_TRUE(SheetGone());
    ASSERT_EQ(NoticeTexts().size(), 1u) << "only the relogon note of the early Apply";
    EXPECT_EQ(NoticeTexts()[0], CZEPOptionsDialog::RelogonText());
}

struct FetchRow
{
    const char* name;
    bool loggedOn;
    bool fetchFails;
};

void PrintTo(const FetchRow& row, std::ostream* out)
{
    *out << row.name;
}

class FetchOutcomeTest : public OptionsTest, public ::testing::WithParamInterface<FetchRow>
{
};

TEST_P(FetchOutcomeTest, WithoutVariablesNothingIsSent)
{
    host.loggedOn = GetParam().loggedOn;
    Settings().WriteText("IMOnlineShowLocation", "1");
    OpenSheet();
    EXPECT_EQ(host.fetches.size(), GetParam().loggedOn ? 1u : 0u);
    if (GetParam().fetchFails)
        host.ReleaseFetch(ImResult::ConnectionClosed, Variables({{"IMOnlineShowLocation", "0"}}));
    EXPECT_FALSE(sheet->VariablesLoaded());
    auto* box = Control<QCheckBox>(Page::PersonalPage, "IMOnlineShowLocation");
    EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(box->isChecked()) << "the stored value is shown in any case";
    Type(Control<QLineEdit>(Page::ConnectionPage, "server"), "other.example.org");
    sheet->OkButton()->click();
    EXPECT_TRUE(host.stores.empty());
    EXPECT_TRUE(SheetGone());
    EXPECT_TRUE(NoticeTexts().empty()) << "nothing of the presence settings was edited";
    EXPECT_EQ(S(Settings().ReadText("IMOnlineShowLocation")), "1");
}

INSTANTIATE_TEST_SUITE_P(Sheet, FetchOutcomeTest,
                         ::testing::Values(FetchRow{"logged_off", false, false},
                                           FetchRow{"fetch_fails", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsTest, LateFetchAfterCancelIsIgnored)
{
    OpenSheet();
    sheet->CancelButton()->click();
    EXPECT_TRUE(SheetGone());
    host.ReleaseFetch(ImResult::Ok, Variables({{"IMShowAway", "1"}}));
    EXPECT_FALSE(Settings().Contains("IMShowAway"));
}

// ---- storing the variables ------------------------------------------------------------------

struct StoreRow
{
    const char* name;
    bool viaOk;
    bool loggedOffBeforeApply;
    ImResult result; // of SET VARIABLE, when sent
    bool notice;
};

void PrintTo(const StoreRow& row, std::ostream* out)
{
    *out << row.name;
}

class StoreOutcomeTest : public OptionsTest, public ::testing::WithParamInterface<StoreRow>
{
};

TEST_P(StoreOutcomeTest, LostPresenceSettingsAreTold)
{
    const StoreRow& row = GetParam();
    OpenLoaded();
    Click(Control<QCheckBox>(Page::PersonalPage, "IMShowAway"));
    host.loggedOn = !row.loggedOffBeforeApply;
    (row.viaOk ? sheet->OkButton() : sheet->ApplyButton())->click();
    if (row.loggedOffBeforeApply) {
        EXPECT_TRUE(host.stores.empty());
    } else {
        ASSERT_EQ(host.stores.size(), 1u);
        EXPECT_EQ(host.stores[0].variables.values[ServerVariables::IndexOf("IMShowAway")], "1");
        EXPECT_TRUE(NoticeTexts().empty()) << "nothing is told before the reply";
        if (row.viaOk) {
            EXPECT_FALSE(sheet->isVisible()) << "OK closes the sheet at once";
        }
        host.ReleaseStore(row.result);
    }
    EXPECT_EQ(S(Settings().ReadText("IMShowAway")), "1") << "kept locally in any case";
    const std::vector<QString> texts = NoticeTexts();
    if (row.notice) {
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0], CZEPOptionsDialog::VariablesNotSavedText());
        EXPECT_NE(notices[0]->windowModality(), Qt::ApplicationModal);
    } else {
        EXPECT_TRUE(texts.empty());
    }
    EXPECT_EQ(SheetGone(), row.viaOk);
}

INSTANTIATE_TEST_SUITE_P(
    Sheet, StoreOutcomeTest,
    ::testing::Values(StoreRow{"apply_ok", false, false, ImResult::Ok, false},
                      StoreRow{"apply_fails", false, false, ImResult::Failed, true},
                      StoreRow{"apply_logged_off", false, true, ImResult::Ok, true},
                      StoreRow{"ok_ok", true, false, ImResult::Ok, false},
                      StoreRow{"ok_fails", true, false, ImResult::ConnectionClosed, true},
                      StoreRow{"ok_logged_off", true, true, ImResult::Ok, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OptionsTest, FailedStoreIsTriedAgainByTheNextApply)
{
    OpenLoaded();
    Click(Control<QCheckBox>(Page::PersonalPage, "IMOnlineShowEmail"));
    sheet->ApplyButton()->click();
    host.ReleaseStore(ImResult::Failed);
    ASSERT_EQ(NoticeTexts().size(), 1u);
    Type(Control<QLineEdit>(Page::ConnectionPage, "server"), "x.example.org");
    host.loggedOn = false; // no relogon note either: it would only distract here
    sheet->ApplyButton()->click();
    EXPECT_EQ(NoticeTexts().size(), 2u) << "the edit is still not on the server";
}

// ---- the relogon note ----------------------------------------------------------------------

TEST_F(OptionsTest, ApplyTellsOfRelogonOnceAndOkNever)
{
    OpenLoaded();
    Type(Control<QLineEdit>(Page::ConnectionPage, "server"), "im2.example.org");
    sheet->ApplyButton()->click();
    host.ReleaseStore(ImResult::Ok);
    ASSERT_EQ(NoticeTexts().size(), 1u);
    EXPECT_EQ(NoticeTexts()[0], CZEPOptionsDialog::RelogonText());
    EXPECT_EQ(S(Settings().ReadText(setting::Server)), "im2.example.org");

    EXPECT_FALSE(sheet->ApplyButton()->isEnabled());
    sheet->Apply(); // nothing changed since
    host.ReleaseStore(ImResult::Ok);
    EXPECT_EQ(NoticeTexts().size(), 1u);

    Type(Control<QLineEdit>(Page::AccountPage, "email"), "bob@example.org");
    sheet->OkButton()->click();
    host.ReleaseStore(ImResult::Ok);
    EXPECT_TRUE(SheetGone());
    EXPECT_EQ(NoticeTexts().size(), 1u) << "OK shows no message";
    EXPECT_EQ(S(Settings().ReadText(setting::Email)), "bob@example.org");
}

struct RelogonRow
{
    const char* name;
    Page page;
    const char* control;
    bool loggedOn;
    bool note;
};

void PrintTo(const RelogonRow& row, std::ostream* out)
{
    *out << row.name;
}

class RelogonTest : public OptionsTest, public ::testing::WithParamInterface<RelogonRow>
{
};

TEST_P(RelogonTest, WhichChangesNeedALogon)
{
    const RelogonRow& row = GetParam();
    host.loggedOn = row.loggedOn;
    OpenSheet();
    if (row.loggedOn)
        host.ReleaseFetch(ImResult::Ok);
    ShowPage(row.page);
    QWidget* control = sheet->PageWidget(row.page)->findChild<QWidget*>(row.control);
    ASSERT_NE(control, nullptr);
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        Type(edit, "1234");
    else
        Click(qobject_cast<QAbstractButton*>(control));
    sheet->ApplyButton()->click();
    const std::vector<QString> texts = NoticeTexts();
    EXPECT_EQ(std::count(texts.begin(), texts.end(), CZEPOptionsDialog::RelogonText()),
              row.note ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sheet, RelogonTest,
    ::testing::Values(RelogonRow{"port", Page::ConnectionPage, "port", true, true},
                      RelogonRow{"proxy", Page::ConnectionPage, "useproxy", true, true},
                      RelogonRow{"password", Page::AccountPage, "password", true, true},
                      RelogonRow{"save_password", Page::AccountPage, "savepassword", true, true},
                      RelogonRow{"logged_off", Page::ConnectionPage, "server", false, false},
                      RelogonRow{"presence", Page::PersonalPage, "IMShowAway", true, false},
                      RelogonRow{"startup", Page::GeneralPage, "autologon", true, false}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- the font ------------------------------------------------------------------------------

TEST_F(OptionsTest, ChangeFontWritesAtOnceWhateverTheSheetDoes)
{
    host.loggedOn = false;
    OpenSheet();
    Click(Control<QPushButton>(Page::MessagePage, "changefont"));
    auto* fonts = sheet->findChild<QFontDialog*>("optionsFontDialog");
    ASSERT_NE(fonts, nullptr);
    EXPECT_TRUE(fonts->isVisible());
    EXPECT_EQ(fonts->windowModality(), Qt::WindowModal);
    QFont chosen(QStringLiteral("Serif"), 15);
    chosen.setBold(true);
    fonts->setCurrentFont(chosen);
    fonts->accept();
    Settings settings;
    QFont stored;
    ASSERT_TRUE(stored.fromString(settings.ReadText(setting::MessageLf)));
    EXPECT_EQ(S(stored.toString()), S(fonts->selectedFont().toString()));
    EXPECT_NE(S(stored.toString()),
              S(QFontDatabase::systemFont(QFontDatabase::GeneralFont).toString()));
    EXPECT_EQ(settings.ReadInt(setting::MessageColor, -1), 0) << "colour 0 when none was stored";
    sheet->CancelButton()->click();
    EXPECT_TRUE(SheetGone());
    EXPECT_TRUE(Settings().Contains(setting::MessageLf));
}

TEST_F(OptionsTest, ChangeFontStartsFromTheStoredFont)
{
    QFont stored(QStringLiteral("Monospace"), 13);
    Settings settings;
    settings.WriteText(setting::MessageLf, stored.toString());
    settings.WriteInt(setting::MessageColor, 0x0000ff); // red as 0x00BBGGRR
    host.loggedOn = false;
    OpenSheet();
    Click(Control<QPushButton>(Page::MessagePage, "changefont"));
    auto* fonts = sheet->findChild<QFontDialog*>("optionsFontDialog");
    ASSERT_NE(fonts, nullptr);
    EXPECT_EQ(fonts->currentFont().pointSize(), 13);
    fonts->accept();
    EXPECT_EQ(Settings().ReadInt(setting::MessageColor, -1), 0x0000ff) << "colour kept";
}

// ---- pictures of the pages, for looking at the layout -------------------------------------

TEST_F(OptionsTest, PagesRenderForTheScreenshots)
{
    const QString folder = qEnvironmentVariable("ZEP_SCREENS");
    if (folder.isEmpty())
        GTEST_SKIP() << "set ZEP_SCREENS to a folder to write the pictures";
    Settings settings;
    settings.WriteText(setting::Server, "im.example.org");
    settings.WriteText(setting::Email, "ann@example.org");
    OpenLoaded(Variables({{"WebmailIMAvailability", "AVAILABLE"},
                          {"IMShowAway", "1"},
                          {"IMAwayTime", "10"},
                          {"IMOnlineShowEmail", "1"},
                          {"IMOnlineCalendarStatus", "MEETING"},
                          {"IMOfflineContactMethod", "WORKSMS"}}));
    const char* const names[] = {"personal", "message", "general", "account", "connection"};
    for (int i = 0; i < CZEPOptionsDialog::PageCount; ++i) {
        ShowPage(static_cast<Page>(i));
        const QPixmap picture = sheet->grab();
        ASSERT_FALSE(picture.isNull());
        EXPECT_TRUE(picture.save(
            QDir(folder).filePath(QStringLiteral("options-%1.png").arg(QLatin1String(names[i])))));
    }
}

} // namespace
} // namespace zep::test
