#include "session/history_store.h"
#include "tests/support/qt_wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace zep::history {
namespace {

class HistoryStoreTest : public ::testing::Test
{
protected:
    HistoryStoreTest()
    {
        QObject::connect(&store, &Store::fault, [this](const QString& text) { faults << text; });
    }

    QString File() const { return dir.path() + QStringLiteral("/h/history-anna.sqlite"); }

    // A conversation with `contact` holding `texts`, committed.
    std::int64_t Say(const QString& contact, const QStringList& texts)
    {
        const std::int64_t id = store.NewConversation("s1", {contact});
        for (const QString& text : texts) {
            Entry e;
            e.conversation = id;
            e.sender = contact;
            e.text = text;
            store.Append(e);
        }
        store.Flush();
        return id;
    }

    static QStringList Texts(const std::vector<Entry>& entries)
    {
        QStringList out;
        for (const Entry& e : entries)
            out << e.text;
        return out;
    }

    QTemporaryDir dir;
    Store store;
    QStringList faults;
};

TEST_F(HistoryStoreTest, KeepsConversationsPerContactAndFindsTheirWords)
{
    ASSERT_TRUE(store.Open("anna@example.com", File()));
    Say("Bob@Example.com", {"first of bob", "Grüße aus Köln"});
    const std::int64_t second = Say("bob@example.com", {"second visit", "say \"quoted\" words"});
    Say("carla@example.com", {"carla says hello"});

    EXPECT_EQ(Texts(store.Recent("BOB@example.com", 3)),
              (QStringList{"Grüße aus Köln", "second visit", "say \"quoted\" words"}));
    EXPECT_EQ(Texts(store.Recent("bob@example.com", 10, second)),
              (QStringList{"first of bob", "Grüße aus Köln"}))
        << "only conversations before the one open now";
    EXPECT_EQ(store.ConversationsWith("bob@example.com").size(), 2u);
    EXPECT_EQ(store.Contacts(), (std::vector<QString>{"bob@example.com", "carla@example.com"}));

    const struct
    {
        const char* query;
        QStringList found; // newest first
    } rows[] = {
        {"hello", {"carla says hello"}},
        {"visi", {"second visit"}},             // the last word is a prefix
        {"of first", {"first of bob"}},         // every word, in any order
        {"GRUßE koln", {"Grüße aus Köln"}},     // case and diacritics aside
        {"\"quoted", {"say \"quoted\" words"}}, // quotes are no query syntax
        {"AND OR NOT", {}},
        {"   ", {}},
        {"s", {"carla says hello", "say \"quoted\" words", "second visit"}},
    };
    for (const auto& row : rows) {
        QStringList found;
        for (const Hit& hit : store.Search(row.query, 10))
            found << hit.entry.text;
        EXPECT_EQ(found, row.found) << row.query;
    }
    EXPECT_EQ(store.Search("hello", 10).at(0).context, "carla says [hello]");
}

TEST_F(HistoryStoreTest, OwnerOnlyFilesThatKeepTheirContentAcrossOpens)
{
    ASSERT_TRUE(store.Open("anna@example.com", File()));
    Say("bob@example.com", {"kept"});
    store.Close();
    struct stat st
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(File()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(File()).absolutePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ASSERT_TRUE(store.Open("anna@example.com", File()));
    EXPECT_EQ(Texts(store.Recent("bob@example.com", 5)), QStringList{"kept"});
    EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
    EXPECT_TRUE(Store::FileFor("Anna/../x@Example.com")
                    .endsWith("/zepim/history-anna_.._x@example.com.sqlite"));
}

TEST_F(HistoryStoreTest, DeletesConversationsContactsAndEverything)
{
    ASSERT_TRUE(store.Open("anna@example.com", File()));
    const std::int64_t first = Say("bob@example.com", {"alpha"});
    Say("bob@example.com", {"beta"});
    Say("carla@example.com", {"gamma"});

    store.DeleteConversation(first);
    EXPECT_EQ(Texts(store.Recent("bob@example.com", 5)), QStringList{"beta"});
    EXPECT_TRUE(store.Search("alpha", 5).empty()) << "the index forgets it too";
    store.DeleteContact("BOB@example.com");
    EXPECT_TRUE(store.Recent("bob@example.com", 5).empty());
    EXPECT_EQ(store.Contacts(), std::vector<QString>{"carla@example.com"});
    store.DeleteAll();
    EXPECT_TRUE(store.Contacts().empty());
    EXPECT_TRUE(store.Search("gamma", 5).empty());
}

TEST_F(HistoryStoreTest, AnUnreadableFileIsSetAsideAndANewOneStarted)
{
    QDir().mkpath(QFileInfo(File()).absolutePath());
    QFile garbage(File());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();

    ASSERT_TRUE(store.Open("anna@example.com", File()));
    ASSERT_EQ(faults.size(), 1);
    EXPECT_TRUE(faults[0].contains("moved aside")) << faults[0].toStdString();
    const QStringList aside =
        QDir(QFileInfo(File()).absolutePath()).entryList({"history-anna.sqlite.broken-*"});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(QFileInfo(QFileInfo(File()).absolutePath() + '/' + aside[0]).size(), 8192);
    Say("bob@example.com", {"after"});
    EXPECT_EQ(Texts(store.Recent("bob@example.com", 5)), QStringList{"after"});
}

TEST_F(HistoryStoreTest, AFullDiskIsToldOnceAndTheHistoryGoesOnWhenThereIsSpace)
{
    ASSERT_TRUE(store.Open("anna@example.com", File()));
    store.SetFullRetry(std::chrono::milliseconds(50));
    Say("bob@example.com", {"before"});
    store.LimitSize(1);
    for (int i = 0; i < 3; ++i)
        Say("bob@example.com", {QString(20000, 'x')});
    ASSERT_EQ(faults.size(), 1) << faults.join('\n').toStdString();
    EXPECT_TRUE(faults[0].contains("disk is full")) << faults[0].toStdString();
    QThread::msleep(60);
    store.LimitSize(1 << 30);
    store.Flush();
    Say("bob@example.com", {"after"});
    EXPECT_EQ(Texts(store.Recent("bob@example.com", 10)), (QStringList{"before", "after"}));
    EXPECT_EQ(faults.size(), 1);
}

TEST_F(HistoryStoreTest, AStoreOfANewerVersionIsLeftAlone)
{
    QDir().mkpath(QFileInfo(File()).absolutePath());
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "newer");
        db.setDatabaseName(File());
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("PRAGMA user_version=99");
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    EXPECT_FALSE(store.Open("anna@example.com", File()));
    ASSERT_EQ(faults.size(), 1);
    EXPECT_TRUE(faults[0].contains("newer version")) << faults[0].toStdString();
    EXPECT_TRUE(QDir(QFileInfo(File()).absolutePath()).entryList({"*.broken-*"}).isEmpty());
    Entry dropped;
    dropped.text = "dropped";
    store.Append(dropped); // accepted and dropped, no crash
    EXPECT_TRUE(store.Search("dropped", 5).empty());
}

} // namespace
} // namespace zep::history
