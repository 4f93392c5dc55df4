#include "desktop/autostart.h"
#include "desktop/wiz_setup.h"
#include "session/password_scramble.h"
#include "session/settings.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"
#include "ui/transparent_bitmap.h"

#include <QAbstractButton>
#include <QFile>
#include <QPainter>
#include <gtest/gtest.h>

namespace zep {
namespace {

class WizardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        exe = home.Path() + "/zepim";
        QFile f(exe);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        wizard = std::make_unique<CWizSetup>(exe);
        wizard->show();
    }
    QAbstractButton* Next() { return wizard->button(QWizard::NextButton); }
    QAbstractButton* Back() { return wizard->button(QWizard::BackButton); }
    // Finish closes the wizard once the password is stored, which is asynchronous.
    void Finish()
    {
        wizard->accept();
        ASSERT_TRUE(test::WaitUntil([&] { return wizard->result() == QDialog::Accepted; }));
    }

    test::ScratchHome home;
    QString exe;
    std::unique_ptr<CWizSetup> wizard;
};

TEST_F(WizardTest, TitleAndPageOrder)
{
    EXPECT_EQ(wizard->windowTitle(), "ZEP Instant Messenger Setup Wizard");
    EXPECT_EQ(wizard->pageIds(), (QList<int>{0, 1, 2, 3}));
    EXPECT_EQ(wizard->currentId(), CWizSetup::ServerPage);
}

TEST_F(WizardTest, NextNeedsAServerNameThenAnAddress)
{
    EXPECT_FALSE(Next()->isEnabled());
    EXPECT_FALSE(Back()->isVisible()) << "no Back on the first page";
    wizard->ServerPageWidget()->Server()->setText("i");
    EXPECT_TRUE(Next()->isEnabled());
    wizard->ServerPageWidget()->Server()->clear();
    EXPECT_FALSE(Next()->isEnabled());
    wizard->ServerPageWidget()->Server()->setText("im.example.com");
    wizard->next();
    EXPECT_EQ(wizard->currentId(), CWizSetup::UserPage);
    EXPECT_TRUE(Back()->isVisible());
    EXPECT_FALSE(Next()->isEnabled());
    wizard->UserPageWidget()->Address()->setText("x@example.com");
    EXPECT_TRUE(Next()->isEnabled());
}

TEST_F(WizardTest, StartupBoxesFollowTheStoredSettingsEachTimeThePageShows)
{
    Settings s;
    s.WriteInt(setting::OpenMainWnd, 1);
    ASSERT_TRUE(SetRunValue(true, exe));
    wizard->ServerPageWidget()->Server()->setText("s");
    wizard->next();
    wizard->UserPageWidget()->Address()->setText("a@b");
    wizard->next();
    CWizOptions* options = wizard->OptionsPageWidget();
    EXPECT_TRUE(options->LaunchOnStartup()->isChecked());
    EXPECT_TRUE(options->OpenMainWindow()->isChecked());
    EXPECT_FALSE(options->AutoLogon()->isChecked()) << "a missing value reads as 0 here";
    // A change not yet finished is lost when the user goes on and comes back.
    options->AutoLogon()->setChecked(true);
    wizard->next();
    wizard->back();
    EXPECT_FALSE(options->AutoLogon()->isChecked());
    // The page-1 and page-2 fields keep what was typed.
    wizard->back();
    EXPECT_EQ(wizard->UserPageWidget()->Address()->text(), "a@b");
}

TEST_F(WizardTest, FinishWithSecureConnectionAndSavedPassword)
{
    Settings s;
    s.WriteInt(setting::Port, 1234);
    wizard->ServerPageWidget()->Server()->setText("im.example.com");
    wizard->ServerPageWidget()->Secure()->setChecked(true);
    wizard->next();
    wizard->UserPageWidget()->Address()->setText("ann@example.com");
    wizard->UserPageWidget()->Password()->setText("-pw*");
    wizard->UserPageWidget()->SavePassword()->setChecked(true);
    wizard->next();
    wizard->OptionsPageWidget()->LaunchOnStartup()->setChecked(true);
    wizard->OptionsPageWidget()->OpenMainWindow()->setChecked(false);
    wizard->OptionsPageWidget()->AutoLogon()->setChecked(true);
    wizard->next();
    ASSERT_EQ(wizard->currentId(), CWizSetup::FinishPage);
    Finish();

    EXPECT_EQ(s.ReadText(setting::Server), "im.example.com");
    EXPECT_EQ(s.ReadInt(setting::UseSsl, 0), 1);
    EXPECT_EQ(s.ReadInt(setting::SslPort, 0), 8368);
    EXPECT_EQ(s.ReadInt(setting::Port, 0), 1234) << "the other mode's port is left alone";
    EXPECT_EQ(s.ReadText(setting::Email), "ann@example.com");
    EXPECT_EQ(s.ReadInt(setting::SavePassword, 0), 1);
    EXPECT_EQ(PasswordUnscramble(s.ReadText(setting::Password).toStdString()), "-pw*");
    EXPECT_TRUE(TestRunValue(exe));
    EXPECT_EQ(s.ReadInt(setting::OpenMainWnd, 1), 0);
    EXPECT_EQ(s.ReadInt(setting::AutoLogon, 0), 1);
}

TEST_F(WizardTest, FinishWithoutSavePasswordStoresNoPassword)
{
    Settings s;
    s.WriteText(setting::Password, "older");
    ASSERT_TRUE(SetRunValue(true, exe));
    wizard->ServerPageWidget()->Server()->setText("im.example.com");
    wizard->next();
    wizard->UserPageWidget()->Address()->setText("bob@example.com");
    wizard->UserPageWidget()->Password()->setText("typed");
    wizard->next();
    wizard->OptionsPageWidget()->LaunchOnStartup()->setChecked(false);
    wizard->next();
    Finish();
    EXPECT_EQ(s.ReadInt(setting::UseSsl, 1), 0);
    EXPECT_EQ(s.ReadInt(setting::Port, 0), 8367);
    EXPECT_FALSE(s.Contains(setting::SslPort));
    EXPECT_EQ(s.ReadInt(setting::SavePassword, 1), 0);
    EXPECT_FALSE(s.Contains(setting::Password));
    EXPECT_FALSE(TestRunValue(exe));
}

TEST_F(WizardTest, CancelAsksAndOnlyYesCloses)
{
    int asked = 0;
    bool answer = false;
    wizard->SetCancelQuestion([&] {
        ++asked;
        return answer;
    });
    wizard->ServerPageWidget()->Server()->setText("kept");
    wizard->reject();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(wizard->isVisible());
    EXPECT_EQ(wizard->result(), 0);
    answer = true;
    wizard->reject();
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(wizard->isVisible());
    EXPECT_FALSE(Settings().Contains(setting::Server)) << "cancelling stores nothing";
}

TEST(TransparentBitmap, TopLeftColourIsTransparent)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setPixel(2, 2, qRgb(200, 0, 0));
    CTransparentBitmap control;
    control.SetBitmap(image);
    const QImage shown = control.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(shown.pixel(3, 1)), 0) << "every white pixel, not only the corner";
    EXPECT_EQ(qAlpha(shown.pixel(2, 2)), 255);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255)) << "the source is unchanged";
}

TEST(TransparentBitmap, MissingLogoFileFallsBackToTheBuiltInLogo)
{
    test::ScratchHome home;
    Settings().WriteText(setting::LogoFile, home.Path() + "/missing.png");
    CTransparentBitmap control;
    ASSERT_TRUE(control.ShowLogo());
    EXPECT_FALSE(control.Bitmap().isNull());
    EXPECT_EQ(control.size(), control.Bitmap().size());
}

TEST(TransparentBitmap, LogoFileReplacesTheBuiltInOne)
{
    test::ScratchHome home;
    QImage custom(10, 7, QImage::Format_RGB32);
    custom.fill(Qt::blue);
    ASSERT_TRUE(custom.save(home.Path() + "/logo.png"));
    Settings().WriteText(setting::LogoFile, home.Path() + "/logo.png");
    CTransparentBitmap control;
    ASSERT_TRUE(control.ShowLogo());
    EXPECT_EQ(control.Bitmap().size(), QSize(10, 7));
}

} // namespace
} // namespace zep
