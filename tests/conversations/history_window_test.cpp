// The history window over a real store: contacts and their conversations, a conversation line
// by line, the search, export and deletion.
#include "conversations/history_window.h"
#include "session/history_store.h"
#include "tests/support/qt_wait.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace zep::conversations {
namespace {

std::int64_t At(int day, int hour, int minute)
{
    return QDateTime(QDate(2026, 3, day), QTime(hour, minute)).toMSecsSinceEpoch();
}

struct Said
{
    std::int64_t time;
    const char* name; // empty: a notice
    const char* text;
};

class HistoryWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The C locale's short time has seconds, which the window leaves out.
        QLocale::setDefault(QLocale::c());
        ASSERT_TRUE(store.Open("me@example.com", dir.path() + "/h.sqlite"));
        older = Say("bob@example.com", {{At(1, 23, 58), "Bob", "see you <b>tomorrow</b>"},
                                        {At(2, 0, 1), "", "Bob has left the conversation"}});
        newer = Say("bob@example.com", {{At(5, 9, 5), "Me", "tomorrow came"}});
        Say("carla@example.com", {{At(3, 10, 0), "Carla", "hello"}});
        window = new HistoryWindow(store);
        window->show();
    }
    void TearDown() override
    {
        delete window.data();
        QLocale::setDefault(locale);
    }

    std::int64_t Say(const QString& contact, std::initializer_list<Said> lines)
    {
        const std::int64_t id = store.NewConversation("s", {contact});
        for (const Said& said : lines) {
            history::Entry e;
            e.conversation = id;
            e.time = said.time;
            e.kind = *said.name ? history::EntryKind::Message : history::EntryKind::Notice;
            e.sender = e.participants = contact;
            e.senderName = said.name;
            e.text = said.text;
            store.Append(e);
        }
        store.Flush();
        return id;
    }

    template <typename T> T* Find(const char* name) const { return window->findChild<T*>(name); }
    QTreeWidgetItem* Contact(int row) const
    {
        return Find<QTreeWidget>("HistoryContacts")->topLevelItem(row);
    }

    const QLocale locale;
    QTemporaryDir dir;
    history::Store store;
    QPointer<HistoryWindow> window;
    std::int64_t older = 0, newer = 0;
};

TEST_F(HistoryWindowTest, ListsContactsWithTheirConversationsAndShowsOneLineByLine)
{
    EXPECT_EQ(Contact(0)->text(0), "bob@example.com");
    EXPECT_EQ(Contact(1)->text(0), "carla@example.com");
    EXPECT_EQ(HistoryWindow::Open(store, "BOB@example.com"), window) << "one window per store";
    EXPECT_EQ(window->Shown(), newer) << "the contact's newest conversation shows";
    ASSERT_EQ(Contact(0)->childCount(), 2);
    EXPECT_TRUE(Contact(0)->child(0)->text(0).endsWith("(1 line)"));
    EXPECT_TRUE(Contact(0)->child(1)->text(0).endsWith("(2 lines)"));

    Find<QTreeWidget>("HistoryContacts")->setCurrentItem(Contact(0)->child(1));
    EXPECT_EQ(window->Shown(), older);
    EXPECT_EQ(Find<QTextEdit>("HistoryPane")->toPlainText(),
              "Sunday, 1 March 2026\n[23:58] Bob: see you <b>tomorrow</b>\nMonday, 2 March "
              "2026\n[00:01] Bob has left the conversation");
}

TEST_F(HistoryWindowTest, SearchListsHitsNewestFirstAndOpensTheConversationOfOne)
{
    QTest::keyClicks(Find<QLineEdit>("HistorySearch"), "tomor");
    auto* results = Find<QListWidget>("HistoryResults");
    EXPECT_EQ(results->count(), 0) << "the search waits for a pause in the typing";
    ASSERT_TRUE(test::WaitUntil([results] { return results->count() == 2; }));
    EXPECT_TRUE(results->item(0)->text().contains("[tomorrow] came"));
    EXPECT_TRUE(results->item(1)->text().contains("see you <b>[tomorrow]</b>"));

    emit results->itemActivated(results->item(1));
    EXPECT_EQ(window->Shown(), older);
    EXPECT_EQ(Find<QTextEdit>("HistoryPane")->textCursor().selectedText(),
              "[23:58] Bob: see you <b>tomorrow</b>");
}

TEST_F(HistoryWindowTest, ExportWritesTextOrHtmlByTheChosenFilter)
{
    const struct
    {
        const char* filter;
        const char* file;
        QStringList holds;
        const char* lacks;
    } rows[] = {
        {"Text files (*.txt)",
         "c.txt",
         {"Sunday, 1 March 2026\n[23:58] Bob: see you <b>tomorrow</b>\n\nMonday, 2 March 2026\n"
          "[00:01] Bob has left the conversation\n"},
         "<p>"},
        {"Web pages (*.html *.htm)",
         "c.html",
         {"<h2>Monday, 2 March 2026</h2>",
          "<p>[23:58] <b>Bob:</b> see you &lt;b&gt;tomorrow&lt;/b&gt;</p>"},
         "<b>tomorrow"},
    };
    window->ShowConversation(older);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        window->Export();
        auto* dialog = Find<QFileDialog>("HistoryExportDialog");
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
        dialog->selectNameFilter(row.filter);
        dialog->selectFile(dir.filePath(row.file));
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog hides it, not its checks
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QFile file(dir.filePath(row.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString written = QString::fromUtf8(file.readAll());
        for (const QString& part : row.holds)
            EXPECT_TRUE(written.contains(part)) << part.toStdString();
        EXPECT_FALSE(written.contains(row.lacks));
    }
}

TEST_F(HistoryWindowTest, DeletionAsksFirstAndTakesFromListAndStore)
{
    const struct
    {
        void (HistoryWindow::*ask)();
        const char* box;
        QMessageBox::StandardButton answer;
        std::size_t bobLeft;
    } rows[] = {
        {&HistoryWindow::Delete, "ConfirmHistoryDelete", QMessageBox::No, 2},
        {&HistoryWindow::Delete, "ConfirmHistoryDelete", QMessageBox::Yes, 1},
        {&HistoryWindow::DeleteContact, "ConfirmHistoryDeleteContact", QMessageBox::Yes, 0},
    };
    window->SelectContact("bob@example.com");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.box);
        const std::size_t before = store.ConversationsWith("bob@example.com").size();
        (window->*row.ask)();
        auto* box = Find<QMessageBox>(row.box);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowModality(), Qt::WindowModal);
        EXPECT_EQ(store.ConversationsWith("bob@example.com").size(), before)
            << "nothing goes before the answer";
        box->button(row.answer)->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(store.ConversationsWith("bob@example.com").size(), row.bobLeft);
        const bool listed = Contact(0)->text(0) == "bob@example.com";
        EXPECT_EQ(listed ? std::size_t(Contact(0)->childCount()) : 0u, row.bobLeft);
    }
    EXPECT_EQ(store.Contacts(), std::vector<QString>{"carla@example.com"});
}

} // namespace
} // namespace zep::conversations
