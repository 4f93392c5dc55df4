// The own-status banner, the status menu, the custom status dialog and the owner-drawn button.
#include "contacts/my_status_button.h"
#include "contacts/status_menu.h"
#include "conversations/button_ex.h"
#include "test_rows.h"
#include "tests/support/qt_wait.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <gtest/gtest.h>

namespace zep::contacts {
namespace {

using namespace testing;

void Click(QWidget* w, QPoint at, QEvent::Type type = QEvent::MouseButtonPress)
{
    QMouseEvent press(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

TEST(OwnStatusBannerText, StatusSubStatusAndCustomText)
{
    ContactRecord own = Contact("Pat", "pat@x.test", PresenceStatus::Available, SubStatus::Phone);
    OwnStatusBanner banner = MakeOwnStatusBanner(own);
    EXPECT_EQ(A(banner.text), "My Status:\r\nPat (Phone)");
    EXPECT_EQ(A(banner.tip), "Pat (Phone)");
    EXPECT_EQ(banner.image, OwnStatusImage::Busy);
    own.customStatus = u"at the dentist";
    EXPECT_EQ(A(MakeOwnStatusBanner(own).text), "My Status:\r\nPat (Phone - at the dentist)");
    own.status = PresenceStatus::Unavailable;
    EXPECT_EQ(MakeOwnStatusBanner(own).image, OwnStatusImage::Offline);
    EXPECT_EQ(A(OwnStatusText(PresenceStatus::Available, SubStatus::None)), "Online");
    EXPECT_EQ(OwnImage(PresenceStatus::Available, SubStatus::Lunch), OwnStatusImage::Away);
}

TEST(StatusMenu, EntriesInOrderWithTheCurrentOneChecked)
{
    QMenu menu;
    BuildStatusMenu(menu, PresenceStatus::Available, SubStatus::Phone);
    std::string entries;
    std::string checked;
    for (QAction* a : menu.actions()) {
        entries += a->isSeparator() ? std::string("-") : a->text().toStdString();
        entries += "|";
        if (a->isChecked())
            checked += a->text().toStdString();
    }
    EXPECT_EQ(entries, "Online|Offline|Do not disturb|Back soon|Away|Phone|Lunch|Meeting|-|"
                       "Custom Status...|");
    EXPECT_EQ(checked, "Phone");
    EXPECT_EQ(MenuCommand(menu.actions().at(5)), command::Phone);
    EXPECT_EQ(MenuCommand(menu.actions().last()), command::CustomStatus);
    const auto away = StatusChoiceFor(command::Away);
    ASSERT_TRUE(away.has_value());
    EXPECT_EQ(away->subStatus, SubStatus::ExtendedAway);
    EXPECT_FALSE(StatusChoiceFor(command::CustomStatus).has_value());

    QMenu offline;
    BuildStatusMenu(offline, PresenceStatus::Unavailable, SubStatus::None);
    EXPECT_TRUE(offline.actions().at(1)->isChecked());
    EXPECT_FALSE(offline.actions().at(0)->isChecked());
}

TEST(CustomStatusDialog, OkNeedsTextAndTheBoxHolds127Characters)
{
    CCustomStatus dialog(QString(200, QLatin1Char('x')));
    EXPECT_EQ(dialog.Text().size(), kCustomStatusMaxLength);
    dialog.Edit()->clear();
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.Edit()->setText(QStringLiteral("busy"));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Custom Status");
}

TEST(CustomStatusDialog, EachButtonReportsItsCommandOnceAndGoesAway)
{
    for (QPushButton* (CCustomStatus::*button)() const :
         {&CCustomStatus::OkButton, &CCustomStatus::ResetButton, &CCustomStatus::CancelButton}) {
        QPointer<CCustomStatus> dialog = new CCustomStatus(QStringLiteral("lunch"));
        std::vector<std::pair<int, QString>> seen;
        QObject::connect(dialog, &CCustomStatus::Command,
                         [&](int id, const QString& text) { seen.emplace_back(id, text); });
        dialog->show();
        ((*dialog).*button)()->click();
        dialog->reject(); // a late close reports nothing more
        ASSERT_EQ(seen.size(), 1u);
        if (button == &CCustomStatus::OkButton)
            EXPECT_EQ(seen[0], std::make_pair(command::CustomOk, QStringLiteral("lunch")));
        else if (button == &CCustomStatus::ResetButton)
            EXPECT_EQ(seen[0], std::make_pair(command::CustomReset, QString()));
        else
            EXPECT_EQ(seen[0].first, command::CustomCancel);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(dialog.isNull());
    }
}

struct Banner : ::testing::Test
{
    Banner()
    {
        QPixmap logo(40, 24);
        logo.fill(Qt::blue);
        banner.SetLogo(logo);
        banner.SetLogoLink(QStringLiteral("https://logo.example/"));
        banner.SetUrlOpener([this](const QUrl& url) { opened.push_back(url.toString()); });
        banner.resize(300, banner.PreferredHeight());
        QObject::connect(&banner, &CMyStatusButton::StatusMenuRequested, [this] { ++menus; });
    }
    CMyStatusButton banner;
    std::vector<QString> opened;
    int menus = 0;
};

TEST_F(Banner, StatusAreaOpensMenuAndLogoOpensLink)
{
    banner.SetStatus(QPixmap(16, 16), QStringLiteral("My Status:\r\nPat (Online)"));
    banner.show();
    ASSERT_FALSE(banner.StatusArea().isEmpty());
    EXPECT_GE(banner.PreferredHeight(), 32);
    Click(&banner, banner.StatusArea().center());
    EXPECT_EQ(menus, 0) << "posted, never run inside the press";
    QCoreApplication::processEvents();
    EXPECT_EQ(menus, 1);
    Click(&banner, banner.LogoRect().center());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toStdString(), "https://logo.example/");
    EXPECT_GT(banner.MenuPosition().y(), banner.mapToGlobal(banner.ArrowRect().bottomLeft()).y());
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(&banner, &down);
    QCoreApplication::processEvents();
    EXPECT_EQ(menus, 2);
}

// The status text has the room it needs first; the logo shrinks into what is left, down to
// half its width, and is hidden below that.
TEST_F(Banner, TheTextComesBeforeTheLogo)
{
    banner.SetStatus(QPixmap(16, 16),
                     QStringLiteral("My Status:\r\nAnna Berg (Online - Working from home)"));
    banner.show();
    banner.resize(1000, banner.PreferredHeight());
    const int textEnd = banner.StatusArea().right() + 1 + 16 / 4;
    for (const auto& [room, logoWidth] : {std::pair{60, 40}, {40, 40}, {30, 30}, {19, 0}}) {
        banner.resize(textEnd + room, banner.PreferredHeight());
        EXPECT_EQ(banner.LogoRect().width(), logoWidth) << room;
        EXPECT_EQ(banner.StatusArea().right() + 1 + 16 / 4, textEnd) << "text cut at " << room;
    }
}

TEST_F(Banner, WithoutTextOnlyTheLogoReacts)
{
    banner.show();
    Click(&banner, QPoint(5, 5));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&banner, &enter);
    QCoreApplication::processEvents();
    EXPECT_EQ(menus, 0);
    banner.SetLogoLink(QString());
    Click(&banner, banner.LogoRect().center());
    EXPECT_TRUE(opened.empty());
}

TEST(ButtonEx, DisabledIgnoresPressAndNeverHovers)
{
    CButtonEx button(7, QStringLiteral("Send"));
    button.resize(80, 30);
    button.setEnabled(false);
    int commands = 0;
    QObject::connect(&button, &CButtonEx::Command, [&](int) { ++commands; });
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_FALSE(button.IsHover());
    Click(&button, QPoint(5, 5));
    EXPECT_FALSE(button.IsPressed());
    Click(&button, QPoint(5, 5), QEvent::MouseButtonRelease);
    EXPECT_EQ(commands, 0);
}

TEST(ButtonEx, ReleaseOutsideSendsNothingAndFlatEdgeOnlyOnHover)
{
    CButtonEx button(7, QStringLiteral("Send"));
    button.resize(80, 30);
    button.SetFlat(true);
    int commands = 0;
    QObject::connect(&button, &CButtonEx::Command, [&](int id) { commands += id; });
    EXPECT_EQ(button.CurrentEdge(), CButtonEx::Edge::None);
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(button.CurrentEdge(), CButtonEx::Edge::Raised);
    Click(&button, QPoint(5, 5));
    EXPECT_EQ(button.CurrentEdge(), CButtonEx::Edge::Sunken);
    Click(&button, QPoint(200, 5), QEvent::MouseButtonRelease);
    EXPECT_EQ(commands, 0);
    EXPECT_FALSE(button.IsPressed());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.CurrentEdge(), CButtonEx::Edge::None);
    QApplication::sendEvent(&button, &enter);
    Click(&button, QPoint(5, 5));
    Click(&button, QPoint(5, 5), QEvent::MouseButtonRelease);
    EXPECT_EQ(commands, 7);
}

TEST(ButtonEx, HandlerMayDeleteTheButton)
{
    QPointer<CButtonEx> button = new CButtonEx(3, QStringLiteral("Cancel"));
    button->resize(80, 30);
    QObject::connect(button.data(), &CButtonEx::Command, [&](int) { delete button.data(); });
    Click(button, QPoint(5, 5));
    Click(button, QPoint(5, 5), QEvent::MouseButtonRelease);
    EXPECT_TRUE(button.isNull());
}

// Space, click() and the accessible press action (a screen reader's) each send the command once.
TEST(ButtonEx, EveryActivationSendsTheCommandOnce)
{
    CButtonEx button(9, QStringLiteral("Send"));
    int commands = 0;
    QObject::connect(&button, &CButtonEx::Command, [&](int id) { commands += id; });
    for (const QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent space(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(&button, &space);
    }
    EXPECT_EQ(commands, 9);
    button.click();
    EXPECT_EQ(commands, 18);
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(access, nullptr);
    access->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    // The press is animated: the click comes after a short timer.
    EXPECT_TRUE(test::WaitUntil([&] { return commands == 27; })) << commands;
}

TEST_F(Banner, ReadsAsAButtonWithAMenuNamedByTheStatus)
{
    banner.SetStatus(QPixmap(16, 16), QStringLiteral("My Status:\r\nPat (Online)"));
    QAccessibleInterface* access = QAccessible::queryAccessibleInterface(&banner);
    ASSERT_NE(access, nullptr);
    EXPECT_EQ(access->role(), QAccessible::ButtonMenu);
    EXPECT_EQ(access->text(QAccessible::Name).toStdString(), "My Status: Pat (Online)");
    access->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    QCoreApplication::processEvents();
    EXPECT_EQ(menus, 1);
}

TEST(ButtonEx, EnterPostsTheCommand)
{
    CButtonEx button(9, QStringLiteral("Send"));
    int commands = 0;
    QObject::connect(&button, &CButtonEx::Command, [&](int id) { commands += id; });
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&button, &enter);
    EXPECT_EQ(commands, 0); // posted, not yet run
    QCoreApplication::processEvents();
    EXPECT_EQ(commands, 9);
}

} // namespace
} // namespace zep::contacts
