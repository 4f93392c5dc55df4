// The contact list's actions against a real zep-devserver: the contact menu, deleting with
// and without the question, offline messages that reach the server's outbox and outlive a lost
// connection, the RPC commands' results, and the add-contact wizard from search to live
// presence.
#include "tests/support/view_fixture.h"

#include "contacts/add_contact_sheet.h"
#include "contacts/blocked_contacts_window.h"
#include "contacts/contact_dialog.h"
#include "contacts/contact_list_ctrl.h"
#include "conversations/button_ex.h"
#include "conversations/offline_message_window.h"
#include "conversations/rich_edit_ctrl_ex.h"

#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace zep {
namespace {

using contacts::OfflineKind;
using conversations::COfflineMessageWindow;

class ContactActionsE2E : public ViewE2E
{
protected:
    // The contacts (or the blocked users) anna has on the server now.
    std::vector<std::string> ServerContacts(ListType type = ListType::Contact)
    {
        std::vector<ContactRecordUtf8> listed;
        {
            std::lock_guard app(connection.AppLock());
            EXPECT_EQ(ImListContacts(*connection.Connection(), type, listed), ImResult::Ok);
        }
        std::vector<std::string> out;
        for (const ContactRecordUtf8& r : listed)
            out.push_back(r.email);
        std::sort(out.begin(), out.end());
        return out;
    }
    // The texts of the messages in the server's outbox, oldest first.
    std::vector<std::string> Outbox() const
    {
        QStringList names = QDir(OutboxOf(home)).entryList({"*.msg"}, QDir::Files, QDir::Name);
        std::vector<std::string> out;
        for (const QString& name : names) {
            QFile file(OutboxOf(home) + "/" + name);
            if (file.open(QIODevice::ReadOnly))
                out.push_back(file.readAll().toStdString());
        }
        return out;
    }
    QMessageBox* Box(const char* name) const
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                if (box->objectName() == name)
                    return box;
        return nullptr;
    }
    COfflineMessageWindow* OnlyOfflineWindow() const
    {
        const auto open = frame->OfflineWindows();
        return open.size() == 1 ? open.front() : nullptr;
    }
};

TEST_F(ContactActionsE2E, TheMenuOffersWhatTheRowAllowsAndDeletesAtOnce)
{
    view->OpenContactMenu(u"ben@example.com", QPoint(10, 10));
    QPointer<QMenu> menu = view->ContactMenu();
    ASSERT_NE(menu, nullptr);
    std::vector<std::pair<std::string, bool>> entries;
    for (QAction* action : menu->actions())
        if (!action->isSeparator())
            entries.emplace_back(action->text().toStdString(), action->isEnabled());
    // Ben is offline and has no mobile or pager number.
    const std::vector<std::pair<std::string, bool>> expected{{"Send Instant Message", false},
                                                             {"Send SMS Message", false},
                                                             {"Send Pager Message", false},
                                                             {"Send Email", true},
                                                             {"Block", true},
                                                             {"Delete Contact", true},
                                                             {"View History...", true},
                                                             {"Notify Me When Online", true}};
    EXPECT_EQ(entries, expected);
    for (QAction* action : menu->actions())
        if (action->text() == "Delete Contact")
            action->trigger();
    ASSERT_TRUE(
        test::WaitUntil([&] { return view->FindContact(u"ben@example.com").email.empty(); }));
    EXPECT_EQ(ServerContacts(),
              (std::vector<std::string>{"carla@example.com", "echo@example.com"}));
}

TEST_F(ContactActionsE2E, TheDeleteKeyAsksFirst)
{
    for (const bool yes : {false, true}) {
        SCOPED_TRACE(yes ? "Yes" : "No");
        view->ConfirmDelete(u"carla@example.com");
        QMessageBox* box = nullptr;
        ASSERT_TRUE(test::WaitUntil([&] { return (box = Box("ConfirmDelete")) != nullptr; }));
        EXPECT_EQ(box->text().toStdString(), "Are you sure you want to delete this contact?");
        box->button(yes ? QMessageBox::Yes : QMessageBox::No)->click();
        if (yes) {
            ASSERT_TRUE(test::WaitUntil(
                [&] { return view->FindContact(u"carla@example.com").email.empty(); }));
        }
        // A later request on the same worker proves an earlier one would have run.
        EXPECT_EQ(ServerContacts().size(), yes ? 2u : 3u);
    }
}

TEST_F(ContactActionsE2E, RpcCommandsReportWhatHappened)
{
    const std::u16string ben = u"ben@example.com";
    const std::u16string nobody = u"nobody@example.com";
    const struct
    {
        MessageId command;
        const std::u16string* address;
        std::intptr_t result;
        size_t windowsAfter;
    } rows[] = {
        {uwm::SendSmsCommand(), &ben, 26, 0},   // Ben has no mobile number
        {uwm::SendPagerCommand(), &ben, 26, 0}, // nor a pager
        {uwm::SendEmailCommand(), &nobody, 207, 0},
        {uwm::SendEmailCommand(), &ben, 0, 1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(
            view->OnRegisteredMessage(row.command, 0, reinterpret_cast<std::intptr_t>(row.address)),
            row.result);
        EXPECT_EQ(frame->OfflineWindows().size(), row.windowsAfter);
    }
    EXPECT_EQ(OnlyOfflineWindow()->windowTitle().toStdString(), "Email Message : Ben Okafor");
}

TEST_F(ContactActionsE2E, AnEmailOutlivesALostConnectionAndArrivesAfterTheNextLogon)
{
    ASSERT_EQ(view->OpenOfflineWindow(OfflineKind::Email, u"ben@example.com"), 0);
    QPointer<COfflineMessageWindow> window = OnlyOfflineWindow();
    ASSERT_NE(window, nullptr);
    window->Subject()->setText(QStringLiteral("Lunch"));
    window->Pane()->setPlainText(QStringLiteral("At one?\n\n"));

    QPointer<CZepimView> old = view;
    PostRegisteredMessage(frame.get(), uwm::ConnectionLost(), 0,
                          static_cast<std::intptr_t>(frame->Generation()));
    ASSERT_TRUE(test::WaitUntil([&] { return old.isNull(); }));
    ASSERT_FALSE(window.isNull()) << "the draft stays with the user";
    if (frame->CurrentView() != ViewKind::Main) {
        QPointer<QMessageBox> box;
        QObject::connect(window.data(), &COfflineMessageWindow::MessageBoxShown,
                         [&box](QMessageBox* shown) { box = shown; });
        window->Send();
        ASSERT_TRUE(test::WaitUntil([&] { return !box.isNull(); }));
        EXPECT_EQ(box->text().toStdString(), "Failed to send message.");
        box->close();
        EXPECT_EQ(window->Pane()->toPlainText().toStdString(), "At one?\n\n");
    }
    // The reconnect logs on again; the same window sends then.
    ASSERT_TRUE(test::WaitUntil([&] { return frame->CurrentView() == ViewKind::Main; }, 10s));
    ASSERT_TRUE(window->SendButton()->isEnabled());
    window->Send();
    ASSERT_TRUE(test::WaitUntil([&] { return window.isNull(); }));
    const std::vector<std::string> outbox = Outbox();
    ASSERT_EQ(outbox.size(), 1u);
    for (const char* part :
         {"MessageType: email\r\n", "To: ben@example.com\r\n", "From: anna@example.com\r\n",
          "Subject: Lunch\r\n", "MIME-Version: 1.0\r\n",
          "Content-Type: text/plain; charset=\"utf-8\"\r\n", "\r\nAt one?\r\n"})
        EXPECT_NE(outbox[0].find(part), std::string::npos) << part << " in\n" << outbox[0];
}

TEST_F(ContactActionsE2E, TheWizardFindsDanaAddsHerAndHerPresenceArrivesLive)
{
    frame->OnAddContact();
    QPointer<contacts::CAddContactSheet> sheet = view->AddContactSheet();
    ASSERT_NE(sheet, nullptr);
    sheet->SearchEdit()->setText(QStringLiteral("dana"));
    sheet->Next();
    ASSERT_TRUE(test::WaitUntil([&] { return !sheet->Searching(); }));
    ASSERT_TRUE(sheet->SelectResult(u"Dana Novak <dana@example.com>"));
    sheet->Next();
    ASSERT_TRUE(test::WaitUntil([&] { return !sheet->Outcome().isEmpty(); }));
    EXPECT_EQ(sheet->Outcome().toStdString(),
              "'Dana Novak' has been successfully added to your contact list.");
    EXPECT_EQ(KindOf(u"dana@example.com"), ContactDisplayKind::OfflineContact);
    // Clicked as the user would, so the deferred delete runs as it does in the program.
    QTest::mouseClick(sheet->FinishButton(), Qt::LeftButton);
    ASSERT_TRUE(test::WaitUntil([&] { return sheet.isNull(); }));

    auto dana = LogOn("dana@example.com", "dana123");
    ASSERT_NE(dana, nullptr);
    ASSERT_TRUE(test::WaitUntil(
        [&] { return KindOf(u"dana@example.com") == ContactDisplayKind::OnlineContact; }));

    // Dana reaches by SMS and pager too: both menu entries are on for anna.
    view->OpenContactMenu(u"dana@example.com", QPoint(10, 10));
    ASSERT_NE(view->ContactMenu(), nullptr);
    int enabled = 0;
    for (QAction* action : view->ContactMenu()->actions())
        enabled += !action->isSeparator() && action->isEnabled() ? 1 : 0;
    EXPECT_EQ(enabled, 8);
    view->ContactMenu()->close();

    // Searching again for her now says she is there already.
    frame->OnAddContact();
    sheet = view->AddContactSheet();
    sheet->SearchEdit()->setText(QStringLiteral("dana@example"));
    sheet->Next();
    ASSERT_TRUE(test::WaitUntil([&] { return !sheet->Searching(); }));
    ASSERT_TRUE(sheet->SelectResult(u"Dana Novak <dana@example.com>"));
    sheet->Next();
    ASSERT_TRUE(test::WaitUntil([&] { return !sheet->Outcome().isEmpty(); }));
    EXPECT_EQ(sheet->Outcome().toStdString(),
              "'Dana Novak' has already been added to your contact list.");
}

TEST_F(ContactActionsE2E, ABlockedContactIsNamedByTheWizardAndUnblockedAndAddedBack)
{
    const std::u16string ben = u"ben@example.com";
    QSignalSpy shown(view, &CZepimView::messageShown);
    view->BlockContact(view->FindContact(ben));
    ASSERT_TRUE(test::WaitUntil([&] { return shown.count() == 1; }));
    QMessageBox* told = Box("ZepMessageBox");
    ASSERT_NE(told, nullptr);
    EXPECT_EQ(told->icon(), QMessageBox::Information);
    told->close();
    EXPECT_EQ(KindOf(ben), ContactDisplayKind::InfoRow);
    EXPECT_EQ(ServerContacts(ListType::Blocked), std::vector<std::string>{"ben@example.com"});

    // The wizard finds him but tells why he cannot simply be added.
    frame->OnAddContact();
    QPointer<contacts::CAddContactSheet> sheet = view->AddContactSheet();
    sheet->SearchEdit()->setText(QStringLiteral("ben@"));
    sheet->Next();
    ASSERT_TRUE(test::WaitUntil([&] { return !sheet->Searching(); }));
    ASSERT_TRUE(sheet->SelectResult(u"Ben Okafor <ben@example.com>"));
    sheet->Next();
    ASSERT_TRUE(test::WaitUntil([&] { return !sheet->Outcome().isEmpty(); }));
    EXPECT_EQ(sheet->Outcome().toStdString(), "'Ben Okafor' is in your block list.");
    sheet->FinishPressed();

    frame->BlockedContactsAction()->trigger();
    QPointer<contacts::CBlockedContactsWindow> blocked = view->BlockedContacts();
    ASSERT_NE(blocked, nullptr);
    QPointer<QMessageBox> offer;
    QObject::connect(blocked.data(), &contacts::CBlockedContactsWindow::BoxShown,
                     [&offer](QMessageBox* box) { offer = box; });
    ASSERT_TRUE(test::WaitUntil([&] { return !blocked->Busy(); }));
    ASSERT_TRUE(blocked->SelectUser(ben));
    blocked->UnblockButton()->click();
    ASSERT_TRUE(test::WaitUntil([&] { return !offer.isNull(); }));
    EXPECT_EQ(offer->objectName().toStdString(), "AddBack");
    offer->button(QMessageBox::Yes)->click();
    ASSERT_TRUE(test::WaitUntil([&] { return KindOf(ben) == ContactDisplayKind::OfflineContact; }));
    EXPECT_TRUE(ServerContacts(ListType::Blocked).empty());
    EXPECT_EQ(ServerContacts(), (std::vector<std::string>{"ben@example.com", "carla@example.com",
                                                          "echo@example.com"}));
    ASSERT_TRUE(test::WaitUntil([&] { return !blocked->Busy(); }));
    ASSERT_EQ(blocked->List()->ItemCount(), 1);
    EXPECT_EQ(blocked->List()->GetRow(0)->Label, u"Nobody is blocked.");
}

TEST_F(ContactActionsE2E, TheWizardThePickersAndTheHistoryCloseWithTheView)
{
    frame->OnAddContact();
    frame->OnDeleteContact();
    frame->OnBlockedContacts();
    frame->ViewHistoryAction()->trigger();
    QPointer<QWidget> history;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "HistoryWindow" && w->isVisible())
            history = w;
    ASSERT_NE(history, nullptr);
    QPointer<contacts::CAddContactSheet> sheet = view->AddContactSheet();
    QPointer<contacts::CContactDialog> picker = view->DeletePicker();
    QPointer<contacts::CBlockedContactsWindow> blocked = view->BlockedContacts();
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(picker, nullptr);
    ASSERT_NE(blocked, nullptr);
    EXPECT_EQ(picker->VisibleRows().size(), 3u);
    // From the event loop, as every view switch of the program is.
    QTimer::singleShot(0, frame.get(), [this] { frame->SwitchView(ViewKind::Logon); });
    ASSERT_TRUE(
        test::WaitUntil([&] { return sheet.isNull() && picker.isNull() && blocked.isNull(); }));
    EXPECT_TRUE(test::WaitUntil([&] { return history.isNull(); }));
    EXPECT_FALSE(frame->ViewHistoryAction()->isEnabled());
    EXPECT_FALSE(frame->AddContactAction()->isEnabled());
    EXPECT_FALSE(frame->DeleteContactAction()->isEnabled());
    EXPECT_FALSE(frame->BlockedContactsAction()->isEnabled());
}

TEST_F(ContactActionsE2E, TheTrayMenuLoggedOnAndLogOut)
{
    QMenu menu;
    frame->BuildTrayMenu(menu);
    std::vector<std::pair<std::string, bool>> entries;
    for (QAction* action : menu.actions())
        if (!action->isSeparator())
            entries.emplace_back(action->text().toStdString(), action->isEnabled());
    const std::vector<std::pair<std::string, bool>> expected{{"My Status", true},
                                                             {"Log In", false},
                                                             {"Log Out", true},
                                                             {"Open ZEP Instant Messenger", true},
                                                             {"Exit", true}};
    EXPECT_EQ(entries, expected);
    QMenu* status = menu.actions().front()->menu();
    ASSERT_NE(status, nullptr);
    EXPECT_FALSE(status->actions().isEmpty());
    EXPECT_FALSE(frame->LogInAction()->isEnabled());
    ASSERT_TRUE(frame->LogOutAction()->isEnabled());
    frame->LogOutAction()->trigger();
    ASSERT_TRUE(test::WaitUntil([&] { return frame->CurrentView() == ViewKind::Logon; }));
    EXPECT_TRUE(frame->LogInAction()->isEnabled());
    EXPECT_FALSE(frame->AutoReconnect()) << "a log-out is not followed by a reconnect";
}

TEST_F(ContactActionsE2E, ThePickerDeletesTheChosenContact)
{
    frame->OnDeleteContact();
    QPointer<contacts::CContactDialog> picker = view->DeletePicker();
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->windowTitle().toStdString(), "Delete a contact");
    ASSERT_TRUE(picker->SelectRow(u"Echo"));
    picker->OkButton()->click();
    ASSERT_TRUE(
        test::WaitUntil([&] { return view->FindContact(u"echo@example.com").email.empty(); }));
    EXPECT_EQ(ServerContacts(), (std::vector<std::string>{"ben@example.com", "carla@example.com"}));
}

} // namespace
} // namespace zep
