// The offline message window against a host that records sends and answers them later:
// creation by kind, the counter, one send at a time, failures that keep the text, closing,
// placement, the Edit menu, layout and keys.
#include "conversations/button_ex.h"
#include "conversations/offline_message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"
#include "fake_offline_host.h"
#include "tests/support/qt_wait.h"
#include "tests/support/scratch_home.h"

#include "session/settings.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

using namespace zep::conversations::testing;

std::string S(const QString& text)
{
    return text.toStdString();
}

std::string ThirdText(const COfflineMessageWindow& window)
{
    return S(window.Subject() != nullptr ? window.Subject()->text() : window.Remaining()->text());
}

std::vector<std::string> Entries(const QComboBox* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(S(list->itemText(i)));
    return out;
}

ContactRecord Bob(std::u16string workMobile = u"+1 555 0100", std::u16string pager = u"")
{
    ContactRecord bob;
    bob.name = u"Bob";
    bob.email = u"bob@x.test";
    bob.status = PresenceStatus::Unavailable;
    bob.contactMethod = ContactMethod::WorkSms;
    bob.workMobile = std::move(workMobile);
    bob.homeMobile = u"+1 555 0111";
    bob.workPager = std::move(pager);
    return bob;
}

class Offline : public ::testing::Test
{
protected:
    void SetUp() override
    {
        host.own.email = u"me@x.test";
        host.own.workMobile = u"+1 555 0199";
        host.own.workPager = u"5550199";
        host.own.accountFlags.smsLimit = 10;
        host.own.accountFlags.pagerLimit = 80;
    }
    void TearDown() override
    {
        delete window.data();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    COfflineMessageWindow* Open(int kind, const ContactRecord& contact = Bob())
    {
        window = COfflineMessageWindow::CreateFor(kind, contact, host);
        return window.data();
    }
    void Type(const QString& text) { window->Pane()->textCursor().insertText(text); }
    bool Activate()
    {
        window->activateWindow();
        return test::WaitUntil([&] { return window->isActiveWindow(); });
    }
    // Lets queued answers arrive and deleted windows go.
    static void Settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    test::ScratchHome home;
    FakeOfflineHost host;
    QPointer<COfflineMessageWindow> window;
};

TEST_F(Offline, CreationByKindFillsTheRowsAndFocusOrShowsNothing)
{
    struct Row
    {
        int kind;
        ContactRecord contact;
        const char *title, *caption, *box, *from, *to; // title nullptr: no window
    };
    ContactRecord noAddress = Bob();
    noAddress.email.clear();
    ContactRecord noMobiles = Bob(u"");
    noMobiles.homeMobile.clear();
    // clang-format off
    const Row rows[] = {
        {1, Bob(), "Email Message : Bob", "Subject", "", "me@x.test", "bob@x.test"},
        {0, Bob(), "Email Message : Bob", "Subject", "", "me@x.test", "bob@x.test"},
        {2, Bob(), "SMS Message : Bob", "Remaining", "10", "+1 555 0199", "+1 555 0100"},
        {3, Bob(u"", u"5550100"), "Pager Message : Bob", "Remaining", "80", "5550199", "5550100"},
        {3, Bob(), nullptr, "", "", "", ""},
        {2, noMobiles, nullptr, "", "", "", ""},
        {1, noAddress, nullptr, "", "", "", ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        Open(row.kind, row.contact);
        for (QWidget* top : QApplication::topLevelWidgets())
            EXPECT_EQ(top->isVisible(), top == window.data());
        if (row.title == nullptr) {
            EXPECT_TRUE(window.isNull()) << row.kind;
            continue;
        }
        ASSERT_FALSE(window.isNull()) << row.title;
        EXPECT_EQ(S(window->windowTitle()), row.title);
        EXPECT_EQ(S(window->ThirdCaption()->text()), row.caption);
        EXPECT_EQ(ThirdText(*window), row.box);
        EXPECT_EQ(window->Subject() != nullptr, row.kind < 2) << "the counter is a label";
        EXPECT_EQ(Entries(window->FromList()), std::vector<std::string>{row.from});
        EXPECT_EQ(Entries(window->ToList()), std::vector<std::string>{row.to});
        QWidget* first = row.kind < 2 ? static_cast<QWidget*>(window->ThirdBox()) : window->Pane();
        EXPECT_EQ(window->focusWidget(), first) << row.title;
        EXPECT_EQ(window->parent(), nullptr);
        delete window.data();
    }
}

TEST_F(Offline, TooManyIsCountedButStillSent)
{
    Open(2);
    Type(QStringLiteral("0123456789abc"));
    EXPECT_EQ(ThirdText(*window), "3 too many");
    EXPECT_EQ(window->Remaining()->palette().color(QPalette::WindowText), QColor(200, 0, 0));
    ASSERT_TRUE(window->SendButton()->isEnabled());
    window->Send();
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_EQ(host.sent[0].type, "sms");
    EXPECT_EQ(host.sent[0].body, "0123456789abc\r\n");
}

TEST_F(Offline, OnlySpacesAndBreaksAreRefusedWithTheBox)
{
    Open(1);
    EXPECT_FALSE(window->SendButton()->isEnabled());
    Type(QStringLiteral("  \n \n"));
    EXPECT_TRUE(window->SendButton()->isEnabled());
    window->Send();
    EXPECT_TRUE(host.sent.empty());
    auto* box = window->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(S(box->text()), "Failed to send message.");
}

TEST_F(Offline, OneSendAtATimeAndReadOnlyWhileItIsOut)
{
    Open(1);
    window->Subject()->setText(QStringLiteral("Hi"));
    Type(QStringLiteral("text"));
    QTest::mouseClick(window->SendButton(), Qt::LeftButton);
    QTest::mouseClick(window->SendButton(), Qt::LeftButton);
    QTest::keyClick(window->SendButton(), Qt::Key_Return);
    window->Send();
    Settle();
    ASSERT_EQ(host.sent.size(), 1u);
    EXPECT_NE(host.sent[0].headers.find("Subject: Hi\r\n"), std::string::npos);
    EXPECT_TRUE(window->SendOutstanding());
    EXPECT_TRUE(window->Pane()->isReadOnly());
    EXPECT_TRUE(window->Subject()->isReadOnly());
    EXPECT_FALSE(window->SendButton()->isEnabled());
}

// Each failure keeps the text, makes it editable again, and a later send (after the next
// logon, for NotConnected) goes out and closes the window.
TEST_F(Offline, AFailureKeepsTheTextAndTheNextSendWorks)
{
    const std::pair<ImResult, std::string> rows[] = {
        {ImResult::Failed, "Failed to send message."},
        {ImResult::TooLarge, "The message is too large. Please use a smaller message."},
        {ImResult::ContentUnacceptable, "Failed to send message."},
        {kNotConnected, "Failed to send message."}};
    for (const auto& [result, text] : rows) {
        Open(3, Bob(u"", u"5550100"));
        Type(QStringLiteral("keep me"));
        host.answers = {result, ImResult::Ok};
        QMessageBox* shown = nullptr;
        QObject::connect(window, &COfflineMessageWindow::MessageBoxShown,
                         [&shown](QMessageBox* box) { shown = box; });
        window->Send();
        Settle();
        ASSERT_NE(shown, nullptr) << text;
        EXPECT_EQ(S(shown->text()), text);
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(shown->windowModality(), Qt::WindowModal);
        EXPECT_TRUE(shown->testAttribute(Qt::WA_DeleteOnClose));
        EXPECT_EQ(S(window->Pane()->toPlainText()), "keep me");
        EXPECT_EQ(window->focusWidget(), window->Pane()) << "the focus goes back to the text";
        EXPECT_FALSE(window->Pane()->isReadOnly());
        EXPECT_TRUE(window->SendButton()->isEnabled());
        EXPECT_TRUE(host.closed.empty());

        shown->accept();
        window->Send();
        Settle();
        EXPECT_EQ(host.sent.back().headers, "To: 5550100\r\nFrom: 5550199\r\n");
        EXPECT_EQ(host.sent.back().body, "keep me\r\n");
        EXPECT_EQ(host.closed.size(), 1u);
        EXPECT_TRUE(window.isNull());
        host.closed.clear();
    }
}

TEST_F(Offline, AnAnswerAfterTheUserClosedChangesNothing)
{
    Open(2);
    Type(QStringLiteral("x"));
    window->Send();
    ASSERT_TRUE(Activate());
    QTest::keyClick(window->Pane(), Qt::Key_Escape);
    ASSERT_EQ(host.closed.size(), 1u);
    host.CompleteSend(ImResult::Failed); // still alive: the window ignores it
    EXPECT_EQ(window->findChild<QMessageBox*>(), nullptr);
    EXPECT_EQ(host.closed.size(), 1u);
}

TEST_F(Offline, PlacementRoundTripsInItsOwnSetting)
{
    Open(1);
    window->resize(411, 333);
    QTest::mouseClick(window->CancelButton(), Qt::LeftButton);
    EXPECT_EQ(host.closed.size(), 1u);
    Settle();
    Settings settings;
    EXPECT_FALSE(settings.ReadRecord(setting::OfflineMessageWp).isEmpty());
    EXPECT_TRUE(settings.ReadRecord(setting::MessageWp).isEmpty());
    Open(2);
    EXPECT_EQ(window->size(), QSize(411, 333));
}

TEST_F(Offline, EditMenuFollowsTheFocusedTextField)
{
    Open(1);
    QApplication::clipboard()->setText(QStringLiteral("clip"));
    window->Pane()->setPlainText(QStringLiteral("some text"));
    window->Pane()->selectAll();
    const auto state = [&] {
        QMenu* edit = window->MenuBar()->actions().at(1)->menu();
        emit edit->aboutToShow();
        std::string s;
        for (QAction* a : edit->actions())
            s += a->isEnabled() ? "+" : ".";
        return s;
    };
    window->Pane()->setFocus();
    EXPECT_EQ(state(), ".+++++"); // Undo Cut Copy Paste Delete SelectAll
    window->Send();
    EXPECT_EQ(state(), "..+..+"); // read-only while the send is out
    window->FromList()->setFocus();
    EXPECT_EQ(state(), "......");
    delete window.data();

    Open(1);
    window->Subject()->setText(QStringLiteral("Lunch"));
    window->Subject()->setSelection(0, 2);
    window->Subject()->setFocus();
    EXPECT_EQ(state(), ".+++++"); // a text set by the program is not undone
    QAction* cut = window->MenuBar()->actions().at(1)->menu()->actions().at(1);
    cut->trigger();
    EXPECT_EQ(S(window->Subject()->text()), "nch");
    EXPECT_EQ(S(QApplication::clipboard()->text()), "Lu");
}

// Closing with unsent text asks first, whichever way the window is closed; Esc over an open
// drop-down list closes only the list.
TEST_F(Offline, ClosingWithUnsentTextAsksAndEscapeClosesAnOpenListFirst)
{
    // Closed by: 0 Esc, 1 Cancel, 2 the window's close button. Answer NoButton: not asked.
    const std::tuple<const char*, const char*, int, QMessageBox::StandardButton, bool> rows[] = {
        {"", "", 0, QMessageBox::NoButton, true},
        {"draft", "", 0, QMessageBox::No, false},
        {"draft", "", 1, QMessageBox::Yes, true},
        {"", "Lunch", 2, QMessageBox::No, false}};
    for (const auto& [pane, subject, how, answer, closed] : rows) {
        Open(1);
        ASSERT_TRUE(Activate());
        window->Pane()->setPlainText(QString::fromUtf8(pane));
        window->Subject()->setText(QString::fromUtf8(subject));
        QMessageBox* asked = nullptr;
        QObject::connect(window, &COfflineMessageWindow::MessageBoxShown,
                         [&asked](QMessageBox* box) { asked = box; });
        if (how == 0)
            QTest::keyClick(window->Pane(), Qt::Key_Escape);
        else if (how == 1)
            QTest::mouseClick(window->CancelButton(), Qt::LeftButton);
        else
            window->close();
        ASSERT_EQ(asked != nullptr, answer != QMessageBox::NoButton) << pane << subject;
        if (asked != nullptr) {
            EXPECT_EQ(S(asked->text()), "Discard this message?");
            EXPECT_EQ(asked->defaultButton(), asked->button(QMessageBox::No));
            asked->button(answer)->click();
        }
        Settle();
        EXPECT_EQ(window.isNull(), closed) << pane << subject;
        delete window.data();
    }

    Open(2);
    ASSERT_TRUE(Activate());
    Type(QStringLiteral("draft"));
    window->ToList()->showPopup();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    Settle();
    ASSERT_FALSE(window.isNull());
    EXPECT_FALSE(window->ToList()->view()->isVisible());
    EXPECT_TRUE(window->findChildren<QMessageBox*>().isEmpty());
}

TEST_F(Offline, LayoutFollowsTheRowsAndButtonsRules)
{
    for (const QSize size : {QSize(360, 340), QSize(200, 120)}) {
        Open(1);
        window->resize(size);
        Settle();
        const int w = window->Pane()->parentWidget()->width();
        const int h = window->Pane()->parentWidget()->height();
        const QRect from = window->FromList()->geometry();
        const QRect to = window->ToList()->geometry();
        const QRect subject = window->ThirdBox()->geometry();
        const QRect pane = window->Pane()->geometry();
        const QRect send = window->SendButton()->geometry();
        const QRect cancel = window->CancelButton()->geometry();
        EXPECT_EQ(window->ThirdCaption()->x(), 6);
        EXPECT_EQ(from.right(), w - 7);
        EXPECT_EQ(to.top(), from.bottom() + 11);
        EXPECT_EQ(subject.top(), to.bottom() + 11);
        EXPECT_EQ(pane.left(), 6);
        EXPECT_EQ(pane.right(), w - 7);
        EXPECT_GE(pane.height(), subject.height());
        EXPECT_EQ(pane.bottom() + 1,
                  std::max(subject.bottom() + 11 + subject.height(), h - 20 - cancel.height()));
        EXPECT_EQ(send.size(), cancel.size());
        EXPECT_EQ(cancel.right(), w - 7);
        EXPECT_EQ(send.right(), cancel.left() - 7);
        EXPECT_GT(send.top(), pane.bottom());
        delete window.data();
    }
}

TEST_F(Offline, TabSkipsTheCounterAndArrowsLeftAloneMove)
{
    Open(2);
    ASSERT_TRUE(Activate());
    window->FromList()->setFocus();
    QTest::keyClick(window->FromList(), Qt::Key_Tab);
    EXPECT_TRUE(window->ToList()->hasFocus());
    QTest::keyClick(window->ToList(), Qt::Key_Tab);
    EXPECT_TRUE(window->Pane()->hasFocus());
    QTest::keyClick(window->Pane(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(window->ToList()->hasFocus());
    delete window.data();

    Open(1);
    ASSERT_TRUE(Activate());
    QTest::keyClick(window->ThirdBox(), Qt::Key_Down);
    EXPECT_TRUE(window->Pane()->hasFocus());
}

} // namespace
} // namespace zep::conversations
