// The list control offscreen: it shows what the model shows, toggles groups, and tips.
#include "contacts/contact_list_ctrl.h"
#include "contacts/my_status_button.h"
#include "conversations/button_ex.h"
#include "conversations/edit_actions.h"
#include "test_rows.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <vector>

namespace zep::contacts {
namespace {

using namespace testing;

struct ListControl : ::testing::Test
{
    ListControl()
    {
        list.resize(300, 400);
        list.AddRow(ContactDisplayKind::MailNotice, 0, MailNoticeLabel(0), nullptr, false);
        list.AddRow(ContactDisplayKind::OnlineHeader, 0, kOnlineLabel, nullptr, false);
        list.AddDisplay(ContactRow(Contact("Ann", "ann@x.test")), false);
        list.AddRow(ContactDisplayKind::OfflineHeader, 0, kOfflineLabel, nullptr, false);
        list.AddDisplay(ContactRow(Contact("Bob", "bob@x.test", PresenceStatus::Unavailable)),
                        false);
        list.RefreshList();
    }

    std::string Items() const
    {
        std::string out;
        QAbstractItemModel* m = list.model();
        for (int i = 0; i < m->rowCount(); ++i)
            out += m->data(m->index(i, 0)).toString().toStdString() + "\n";
        return out;
    }

    CContactListCtrl list;
};

TEST_F(ListControl, CreatedWithAllImages)
{
    EXPECT_TRUE(list.Created());
    for (int i = 0; i < kContactImageCount; ++i)
        EXPECT_FALSE(list.Images().Icon(static_cast<ContactImage>(i)).isNull()) << i;
}

TEST_F(ListControl, ItemsFollowTheModel)
{
    EXPECT_EQ(Items(), "No recent email messages\nOnline\nAnn\nOffline\nBob\n");
    EXPECT_EQ(list.GetRow(2)->Kind, ContactDisplayKind::OnlineContact);
    EXPECT_EQ(list.GetRow(9), nullptr);
    EXPECT_EQ(list.GetSelected(), nullptr);
    list.setCurrentIndex(list.model()->index(4, 0));
    ASSERT_NE(list.GetSelected(), nullptr);
    EXPECT_EQ(A(list.GetSelected()->Contact.email), "bob@x.test");
}

// The selection stays on its contact while the list re-sorts around it, and goes when the
// contact's row goes; Shift+F10 and the Menu key open the selected contact's menu.
TEST_F(ListControl, SelectionFollowsItsContactAndTheKeyboardOpensItsMenu)
{
    // Ann, selected, goes offline, is renamed past Carl, or is removed.
    const std::tuple<PresenceStatus, const char*, bool> rows[] = {
        {PresenceStatus::Unavailable, "Ann", false},
        {PresenceStatus::Available, "Zed", false},
        {PresenceStatus::Available, "Ann", true}};
    for (const auto& [status, name, removed] : rows) {
        CContactListCtrl l;
        l.AddRow(ContactDisplayKind::OnlineHeader, 0, kOnlineLabel, nullptr, false);
        l.AddDisplay(ContactRow(Contact("Ann", "ann@x.test")), false);
        l.AddDisplay(ContactRow(Contact("Carl", "carl@x.test")), false);
        l.AddRow(ContactDisplayKind::OfflineHeader, 0, kOfflineLabel, nullptr, false);
        l.RefreshList();
        l.setCurrentIndex(l.model()->index(1, 0));
        CContactDisplay ann = ContactRow(Contact(name, "ann@x.test", status));
        removed ? l.RemoveContact(u"ann@x.test") : l.UpdateContact(u"ann@x.test", ann);
        QCoreApplication::processEvents();
        const CContactDisplay* selected = l.GetSelected();
        EXPECT_EQ(selected ? A(selected->Contact.email) : "", removed ? "" : "ann@x.test") << name;
    }

    std::vector<std::string> menus;
    QObject::connect(
        &list, &CContactListCtrl::ContactMenuRequested,
        [&](const CContactDisplay* row, const QPoint&) { menus.push_back(A(row->Contact.email)); });
    list.setCurrentIndex(list.model()->index(4, 0));
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QKeyEvent menuKey(QEvent::KeyPress, Qt::Key_Menu, Qt::NoModifier);
    QApplication::sendEvent(&list, &shiftF10);
    QApplication::sendEvent(&list, &menuKey);
    EXPECT_EQ(menus, (std::vector<std::string>{"bob@x.test", "bob@x.test"}));
    // Bob, offline with no way to reach him, is drawn greyed.
    const QVariant bob = list.model()->data(list.model()->index(4, 0), Qt::DecorationRole);
    EXPECT_EQ(bob.value<QIcon>().cacheKey(), list.Images().Unreachable().cacheKey());
}

TEST_F(ListControl, ExpandAndCollapseFailOnRepeat)
{
    EXPECT_TRUE(list.Collapse(ContactDisplayKind::OnlineHeader));
    EXPECT_FALSE(list.Collapse(ContactDisplayKind::OnlineHeader));
    EXPECT_EQ(Items(), "No recent email messages\nOnline\nOffline\nBob\n");
    EXPECT_TRUE(list.Expand(ContactDisplayKind::OnlineHeader));
    EXPECT_FALSE(list.Expand(ContactDisplayKind::OnlineHeader));
    EXPECT_EQ(Items(), "No recent email messages\nOnline\nAnn\nOffline\nBob\n");
}

TEST_F(ListControl, UpdateInCollapsedGroupShowsOnExpand)
{
    ASSERT_TRUE(list.Collapse(ContactDisplayKind::OfflineHeader));
    CContactDisplay away = *list.FindByEmail(u"ann@x.test");
    away.Contact.status = PresenceStatus::Unavailable;
    away.Contact.subStatus = SubStatus::ExtendedAway;
    away.Kind = ContactDisplayKind::OfflineContact;
    away.Label = ContactLabel(away.Contact);
    ASSERT_TRUE(list.UpdateContact(u"ann@x.test", away));
    EXPECT_EQ(Items(), "No recent email messages\nOnline\nNone of your contacts are online.\n"
                       "Offline\n");
    ASSERT_TRUE(list.Expand(ContactDisplayKind::OfflineHeader));
    EXPECT_EQ(Items(), "No recent email messages\nOnline\nNone of your contacts are online.\n"
                       "Offline\nAnn (Away)\nBob\n");
}

TEST_F(ListControl, HeaderDoubleClickTogglesAndOthersAreReported)
{
    const CContactDisplay* activated = nullptr;
    QObject::connect(&list, &CContactListCtrl::RowActivated,
                     [&](const CContactDisplay* row) { activated = row; });
    list.setCurrentIndex(list.model()->index(1, 0));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(&list, &enter);
    EXPECT_FALSE(list.IsExpanded(ContactDisplayKind::OnlineHeader));
    EXPECT_EQ(activated, nullptr);
    list.setCurrentIndex(list.model()->index(2, 0)); // "Offline" now
    list.setCurrentIndex(list.model()->index(3, 0)); // Bob
    QApplication::sendEvent(&list, &enter);
    ASSERT_NE(activated, nullptr);
    EXPECT_EQ(A(activated->Contact.email), "bob@x.test");
}

TEST_F(ListControl, ClicksOnHeadersAndTheDeleteKey)
{
    int activated = 0;
    std::vector<const CContactDisplay*> deleted;
    QObject::connect(&list, &CContactListCtrl::RowActivated,
                     [&](const CContactDisplay*) { ++activated; });
    QObject::connect(&list, &CContactListCtrl::DeleteRequested,
                     [&](const CContactDisplay* row) { deleted.push_back(row); });
    list.show();
    const auto send = [this](QEvent::Type type, int row) {
        const QPoint at = list.visualRect(list.model()->index(row, 0)).center();
        QMouseEvent event(type, at, list.viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(list.viewport(), &event);
    };
    // A single click toggles the header.
    send(QEvent::MouseButtonPress, 1);
    send(QEvent::MouseButtonRelease, 1);
    EXPECT_FALSE(list.IsExpanded(ContactDisplayKind::OnlineHeader));
    // A double-click toggles it once, not twice, and activates nothing.
    send(QEvent::MouseButtonPress, 1);
    send(QEvent::MouseButtonRelease, 1);
    send(QEvent::MouseButtonDblClick, 1);
    send(QEvent::MouseButtonRelease, 1);
    EXPECT_TRUE(list.IsExpanded(ContactDisplayKind::OnlineHeader));
    EXPECT_EQ(activated, 0);
    // A double-click on a contact activates it and toggles nothing.
    send(QEvent::MouseButtonPress, 2);
    send(QEvent::MouseButtonRelease, 2);
    send(QEvent::MouseButtonDblClick, 2);
    send(QEvent::MouseButtonRelease, 2);
    EXPECT_EQ(activated, 1);
    EXPECT_TRUE(list.IsExpanded(ContactDisplayKind::OnlineHeader));
    // Delete asks for a contact row only.
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    list.setCurrentIndex(list.model()->index(1, 0));
    QApplication::sendEvent(&list, &del);
    EXPECT_TRUE(deleted.empty());
    list.setCurrentIndex(list.model()->index(4, 0));
    QApplication::sendEvent(&list, &del);
    ASSERT_EQ(deleted.size(), 1u);
    EXPECT_EQ(A(deleted[0]->Contact.email), "bob@x.test");
}

TEST_F(ListControl, TipsOfRows)
{
    EXPECT_EQ(list.TipText(0).toStdString(), "Double click here to read your email");
    EXPECT_EQ(list.TipText(1).toStdString(), "");
    EXPECT_EQ(list.TipText(2).toStdString(), "Email: ann@x.test");
    list.resize(40, 400); // every label is cut off now
    list.show();
    EXPECT_TRUE(list.LabelCutOff(2));
    EXPECT_EQ(list.TipText(2).toStdString(), "Ann\nEmail: ann@x.test");
}

TEST_F(ListControl, MailCountShowsInTheNotice)
{
    ASSERT_TRUE(list.SetMailCount(5));
    EXPECT_EQ(list.model()->data(list.model()->index(0, 0)).toString().toStdString(),
              "You have 5 recent email messages");
}

// Names come from the server: wherever Qt would guess the text format, a name that looks like
// markup is shown as typed.
TEST(ServerTexts, ShownAsPlainTextWhereQtWouldGuess)
{
    const QString name = QStringLiteral("<b>Bob</b> & co");
    // What a tip shows: Qt draws it as rich text when it might be.
    const auto shownTip = [](const QString& tip) {
        if (!Qt::mightBeRichText(tip))
            return tip;
        QTextDocument doc;
        doc.setHtml(tip);
        return doc.toPlainText();
    };
    const auto boxText = [](QMessageBox* box) {
        const QString text = box->textFormat() == Qt::PlainText ? box->text() : QString();
        box->close();
        return text;
    };
    QWidget parent;
    struct Row
    {
        const char* place;
        std::function<QString()> shown;
        QString expected;
    };
    const Row rows[] = {
        {"contact list tip of a cut name",
         [&] {
             CContactListCtrl list;
             list.AddRow(ContactDisplayKind::OnlineHeader, 0, kOnlineLabel, nullptr, false);
             list.AddDisplay(ContactRow(Contact(name.toStdString(), "bob@x.test")), false);
             list.RefreshList();
             list.resize(40, 400);
             list.show();
             return list.LabelCutOff(1) ? shownTip(list.TipText(1)) : QString();
         },
         name + "\nEmail: bob@x.test"},
        {"status banner tip",
         [&] {
             CMyStatusButton banner;
             banner.SetTip(name);
             return shownTip(banner.Tip());
         },
         name},
        {"button tip",
         [&] {
             CButtonEx button(1, QStringLiteral("Send"));
             button.SetTip(name);
             return shownTip(button.toolTip());
         },
         name},
        {"question box (block)",
         [&] { return boxText(conversations::OpenQuestionBox(&parent, name, {})); }, name},
        {"warning box", [&] { return boxText(conversations::OpenWarningBox(&parent, name)); },
         name},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.place);
        EXPECT_EQ(row.shown().toStdString(), row.expected.toStdString());
    }
}

} // namespace
} // namespace zep::contacts
