// The windows' texts in the language the desktop asks for: German from the compiled
// translation, English exactly as written when no translation matches. The application starts
// with LANGUAGE=de, so the first row is the program's own start-up path.
#include "app/main_frame.h"
#include "app/translations.h"
#include "session/client_connection.h"
#include "tests/support/scratch_home.h"
#include "ui/display_texts.h"

#include "contacts/contact_display.h"
#include "conversations/button_ex.h"
#include "conversations/message_window.h"
#include "tests/conversations/fake_host.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

namespace zep {
namespace {

QStringList MenuTitles(const QMenuBar& bar)
{
    QStringList titles;
    for (const QAction* action : bar.actions())
        titles << action->text();
    return titles;
}

QStringList Entries(const QMenu& menu)
{
    QStringList entries;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator())
            entries << action->text();
    }
    return entries;
}

QStringList ButtonCaptions(const QWidget& window)
{
    QStringList captions;
    for (const auto* button : window.findChildren<CButtonEx*>())
        captions << button->text();
    captions.sort();
    return captions;
}

TEST(Translations, WindowsSpeakTheDesktopsLanguage)
{
    test::ScratchHome home;
    const QString dir = QStringLiteral(ZEP_TRANSLATIONS_DIR);
    const QStringList germanMenus{"&Datei", "&Kontakte", "&Extras", "&Hilfe"};
    const QStringList englishMenus{"&File", "&Contacts", "&Tools", "&Help"};
    const QStringList germanTray{"Mein Status", "Anmelden", "Abmelden",
                                 "ZEP Instant Messenger öffnen", "Beenden"};
    const QStringList englishTray{"My Status", "Log In", "Log Out", "Open ZEP Instant Messenger",
                                  "Exit"};
    const QStringList germanConversation{"&Datei", "&Bearbeiten", "&Aktionen", "&Hilfe"};
    const QStringList englishConversation{"&File", "&Edit", "&Actions", "&Help"};
    const struct
    {
        const char* name;
        QLocale locale;
        bool loaded;
        QStringList menus, tray, conversation, buttons;
        QString logonLink, title, mailNotice;
    } rows[] = {
        {"the desktop asks for German (LANGUAGE=de)",
         QLocale(),
         true,
         germanMenus,
         germanTray,
         germanConversation,
         {"Schrift", "Senden", "\xF0\x9F\x99\x82"},
         "Hier klicken, um sich anzumelden",
         "Bob - Unterhaltung",
         "Sie haben 3 neue E-Mail-Nachrichten"},
        {"Austrian German falls back to German",
         QLocale(QStringLiteral("de_AT")),
         true,
         germanMenus,
         germanTray,
         germanConversation,
         {"Schrift", "Senden", "\xF0\x9F\x99\x82"},
         "Hier klicken, um sich anzumelden",
         "Bob - Unterhaltung",
         "Sie haben 3 neue E-Mail-Nachrichten"},
        {"English keeps the original texts",
         QLocale(QStringLiteral("en_GB")),
         false,
         englishMenus,
         englishTray,
         englishConversation,
         {"Font", "Send", "\xF0\x9F\x99\x82"},
         "Click here to logon",
         "Bob - Conversation",
         "You have 3 recent email messages"},
        {"a language without a translation stays English",
         QLocale(QStringLiteral("fr_FR")),
         false,
         englishMenus,
         englishTray,
         englishConversation,
         {"Font", "Send", "\xF0\x9F\x99\x82"},
         "Click here to logon",
         "Bob - Conversation",
         "You have 3 recent email messages"},
    };
    for (const auto& row : rows) {
        const QString file = InstallTranslations(*qApp, row.locale, dir);
        EXPECT_EQ(!file.isEmpty(), row.loaded) << row.name << ": " << file.toStdString();
        LoadDisplayTexts();
        EXPECT_EQ(text::ClickToLogon(), row.logonLink) << row.name;

        ClientConnection connection;
        FrameOptions options;
        options.trayIcon = false;
        CMainFrame frame(connection, options);
        EXPECT_EQ(MenuTitles(*frame.menuBar()), row.menus) << row.name;
        QMenu tray;
        frame.BuildTrayMenu(tray);
        EXPECT_EQ(Entries(tray), row.tray) << row.name;

        conversations::testing::FakeHost host;
        conversations::MessageWindow window(host, "s1");
        const auto bars = window.findChildren<QMenuBar*>();
        ASSERT_EQ(bars.size(), 1) << row.name;
        EXPECT_EQ(MenuTitles(*bars.front()), row.conversation) << row.name;
        EXPECT_EQ(ButtonCaptions(window), row.buttons) << row.name;
        window.AddParticipant(u"me@x.test", u"Me");
        window.AddParticipant(u"bob@x.test", u"Bob");
        EXPECT_EQ(window.windowTitle(), row.title) << row.name;
        EXPECT_EQ(QString::fromStdU16String(contacts::MailNoticeLabel(3)), row.mailNotice)
            << row.name;
    }
    InstallTranslations(*qApp, QLocale(QStringLiteral("en")), dir);
}

} // namespace
} // namespace zep

int main(int argc, char** argv)
{
    // The desktop's language, read by the system locale when the application starts.
    qputenv("LANGUAGE", "de");
    qputenv("LANG", "de_DE.UTF-8");
    qunsetenv("LC_ALL");
    qunsetenv("LC_MESSAGES");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
