#include "session/history_store.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zep::history {
namespace {

// SQLite's primary result codes that decide what happens to the file.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteFull = 13;
constexpr int kSqliteNotADatabase = 26;

int Code(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? (code & 0xff) : 0;
}

bool Broken(const QSqlError& error)
{
    const int code = Code(error);
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

// Each step takes the schema from its index to the next version.
const std::vector<std::vector<const char*>>& Migrations()
{
    static const std::vector<std::vector<const char*>> steps = {
        {
            "CREATE TABLE conversations(id INTEGER PRIMARY KEY, session TEXT NOT NULL, "
            "started INTEGER NOT NULL)",
            "CREATE TABLE conversation_contacts(contact TEXT NOT NULL, conversation INTEGER NOT "
            "NULL REFERENCES conversations(id) ON DELETE CASCADE, PRIMARY KEY(contact, "
            "conversation)) WITHOUT ROWID",
            "CREATE INDEX contacts_by_conversation ON conversation_contacts(conversation)",
            "CREATE TABLE entries(id INTEGER PRIMARY KEY, conversation INTEGER NOT NULL "
            "REFERENCES conversations(id) ON DELETE CASCADE, time INTEGER NOT NULL, kind INTEGER "
            "NOT NULL, outgoing INTEGER NOT NULL, sender TEXT, sender_name TEXT, participants "
            "TEXT, body TEXT NOT NULL, rtf BLOB, channel TEXT, number TEXT, subject TEXT, result "
            "INTEGER)",
            "CREATE INDEX entries_by_conversation ON entries(conversation, id)",
            "CREATE VIRTUAL TABLE entry_text USING fts5(body, content='entries', "
            "content_rowid='id', tokenize='unicode61 remove_diacritics 2')",
            "CREATE TRIGGER entries_indexed AFTER INSERT ON entries BEGIN INSERT INTO "
            "entry_text(rowid, body) VALUES (new.id, new.body); END",
            "CREATE TRIGGER entries_unindexed AFTER DELETE ON entries BEGIN INSERT INTO "
            "entry_text(entry_text, rowid, body) VALUES ('delete', old.id, old.body); END",
        },
    };
    return steps;
}

constexpr const char* kEntryColumns = "e.id, e.conversation, e.time, e.kind, e.outgoing, "
                                      "e.sender, e.sender_name, e.participants, e.body, e.rtf, "
                                      "e.channel, e.number, e.subject, e.result";

Entry ReadEntry(const QSqlQuery& q)
{
    Entry e;
    e.id = q.value(0).toLongLong();
    e.conversation = q.value(1).toLongLong();
    e.time = q.value(2).toLongLong();
    e.kind = static_cast<EntryKind>(q.value(3).toInt());
    e.outgoing = q.value(4).toInt() != 0;
    e.sender = q.value(5).toString();
    e.senderName = q.value(6).toString();
    e.participants = q.value(7).toString();
    e.text = q.value(8).toString();
    e.rtf = q.value(9).toByteArray();
    e.channel = q.value(10).toString();
    e.number = q.value(11).toString();
    e.subject = q.value(12).toString();
    e.result = q.value(13).toInt();
    return e;
}

QString Folded(const QString& address)
{
    return address.trimmed().toLower();
}

// The words of a search as a full-text query: each word a phrase of its own (so nothing the
// user types is query syntax), the last one also as a prefix.
QString MatchQuery(const QString& text)
{
    const QStringList words = text.split(QChar(u' '), Qt::SkipEmptyParts);
    QStringList phrases;
    for (const QString& word : words) {
        QString escaped = word;
        escaped.replace(QChar(u'"'), QStringLiteral("\"\""));
        phrases << QStringLiteral("\"%1\"").arg(escaped);
    }
    if (!phrases.isEmpty())
        phrases.last() += QChar(u'*');
    return phrases.join(QChar(u' '));
}

bool Exec(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    return q.exec(sql);
}

// The error of a prepared query run now, or nothing.
QSqlError Run(QSqlQuery& q)
{
    return q.exec() ? QSqlError() : q.lastError();
}

QSqlError Run(QSqlQuery& q, const QString& sql)
{
    return q.exec(sql) ? QSqlError() : q.lastError();
}

} // namespace

Store::Store(QObject* parent) : QObject(parent)
{
    const QString tag = QString::number(reinterpret_cast<quintptr>(this), 16);
    m_readName = QStringLiteral("zepim-history-read-") + tag;
    m_writeName = QStringLiteral("zepim-history-write-") + tag;
}

Store::~Store()
{
    Close();
}

QString Store::FileFor(const QString& account)
{
    QString name;
    for (const QChar c : Folded(account))
        name += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'@' || c == u'.' ||
                        c == u'-' || c == u'_'
                    ? c
                    : QChar(u'_');
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/zepim/history-") + name.left(200) + QStringLiteral(".sqlite");
}

bool Store::Open(const QString& account)
{
    return Open(account, FileFor(account));
}

bool Store::Open(const QString&, const QString& file)
{
    Close();
    m_file = file;
    Opened opened = OpenFile();
    if (opened == Opened::Broken) {
        SetAside(tr("The conversation history could not be read."));
        opened = OpenFile();
    }
    if (opened != Opened::Ok)
        return false;
    m_open = true;
    StartWriter();
    return true;
}

Store::Opened Store::OpenFile()
{
    const Opened opened = TryOpenFile();
    if (opened != Opened::Ok)
        QSqlDatabase::removeDatabase(m_readName);
    if (opened == Opened::Failed)
        emit fault(tr("The conversation history could not be opened (%1); conversations are "
                      "not kept.")
                       .arg(m_why));
    return opened;
}

Store::Opened Store::TryOpenFile()
{
    const QFileInfo info(m_file);
    m_why = tr("no folder for it");
    if (!QDir().mkpath(info.absolutePath()))
        return Opened::Failed;
    ::chmod(QFile::encodeName(info.absolutePath()).constData(), 0700);
    const int fd = ::open(QFile::encodeName(m_file).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        m_why = QString::fromLocal8Bit(std::strerror(errno));
        return Opened::Failed;
    }
    ::fchmod(fd, 0600);
    ::close(fd);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_readName);
    db.setDatabaseName(m_file);
    if (!db.open()) {
        m_why = db.lastError().text();
        return Opened::Failed;
    }
    // One query for every step, so its error tells what went wrong.
    QSqlQuery q(db);
    const auto run = [&q](const QString& sql) { return q.exec(sql); };
    bool ok = run(QStringLiteral("PRAGMA journal_mode=WAL")) &&
              run(QStringLiteral("PRAGMA foreign_keys=ON")) &&
              run(QStringLiteral("PRAGMA busy_timeout=2000")) &&
              run(QStringLiteral("PRAGMA user_version")) && q.next();
    int at = ok ? q.value(0).toInt() : 0;
    if (at > kSchemaVersion) {
        // Written by a newer messenger: left for that one.
        m_why = tr("written by a newer version of the messenger");
        return Opened::Failed;
    }
    const auto& steps = Migrations();
    while (ok && at < kSchemaVersion) {
        ok = db.transaction();
        for (const char* sql : steps[static_cast<std::size_t>(at)])
            ok = ok && run(QString::fromLatin1(sql));
        ++at;
        ok = ok && run(QStringLiteral("PRAGMA user_version=%1").arg(at)) && db.commit();
        if (!ok)
            db.rollback();
    }
    // A damaged file that got this far fails here.
    ok = ok && run(QStringLiteral("SELECT count(*) FROM conversations"));
    if (ok)
        return Opened::Ok;
    m_why = q.lastError().text();
    return Broken(q.lastError()) ? Opened::Broken : Opened::Failed;
}

void Store::SetAside(const QString& why)
{
    const QString aside = m_file + QStringLiteral(".broken-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    const bool moved = QFile::rename(m_file, aside);
    QFile::remove(m_file + QStringLiteral("-wal"));
    QFile::remove(m_file + QStringLiteral("-shm"));
    emit fault(moved ? why + QChar(u' ') +
                           tr("It was moved aside to %1 and a new one was started.").arg(aside)
                     : why);
}

void Store::Close()
{
    StopWriter();
    if (QSqlDatabase::contains(m_readName)) {
        QSqlDatabase::database(m_readName, false).close();
        QSqlDatabase::removeDatabase(m_readName);
    }
    m_open = false;
}

void Store::StartWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_ops.clear();
        m_queued = m_committed = 0;
    }
    m_writer = std::jthread([this](std::stop_token stop) { WriterLoop(stop); });
}

void Store::StopWriter()
{
    if (!m_writer.joinable())
        return;
    m_writer.request_stop();
    m_wake.notify_all();
    m_writer.join();
    m_writer = {};
}

void Store::WriterLoop(std::stop_token stop)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_writeName);
        db.setDatabaseName(m_file);
        if (db.open()) {
            Exec(db, QStringLiteral("PRAGMA foreign_keys=ON"));
            Exec(db, QStringLiteral("PRAGMA busy_timeout=2000"));
            Exec(db, QStringLiteral("PRAGMA synchronous=NORMAL"));
        }
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wake.wait(lock, stop, [this] { return !m_ops.empty(); });
            if (m_ops.empty())
                break; // stopped with nothing left
            // The rest of a burst joins the first of it in one transaction.
            m_wake.wait_for(lock, stop, kBatchDelay,
                            [this] { return m_flushWanted || m_ops.size() >= kBatchLimit; });
            std::vector<Op> ops = std::move(m_ops);
            m_ops.clear();
            m_flushWanted = false;
            lock.unlock();
            const std::size_t count = ops.size();
            if (db.isOpen())
                Commit(db, ops);
            lock.lock();
            m_committed += count;
            m_done.notify_all();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(m_writeName);
}

void Store::Commit(QSqlDatabase& db, std::vector<Op>& ops)
{
    if (std::chrono::steady_clock::now() < m_fullUntil)
        return; // the disk was full a moment ago: drop, try again later
    QSqlError error;
    if (!db.transaction())
        error = db.lastError();
    for (std::size_t i = 0; i < ops.size() && !error.isValid(); ++i)
        error = ops[i](db);
    if (!error.isValid() && !db.commit())
        error = db.lastError();
    if (!error.isValid()) {
        m_fullReported = false;
        return;
    }
    db.rollback();
    if (Code(error) == kSqliteFull) {
        m_fullUntil = std::chrono::steady_clock::now() + m_fullRetry.load();
        if (!m_fullReported.exchange(true))
            emit fault(tr("The disk is full: conversations are not kept in the history until "
                          "there is space again."));
    } else if (Broken(error)) {
        QMetaObject::invokeMethod(this, &Store::Recover, Qt::QueuedConnection);
    }
}

void Store::Recover()
{
    if (!m_open || m_recovering)
        return;
    m_recovering = true;
    const QString file = m_file;
    Close();
    m_file = file;
    SetAside(tr("The conversation history is damaged."));
    if (OpenFile() == Opened::Ok) {
        m_open = true;
        StartWriter();
    }
    m_recovering = false;
}

void Store::Enqueue(Op op)
{
    if (!m_open)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_ops.push_back(std::move(op));
        ++m_queued;
    }
    m_wake.notify_all();
}

void Store::Flush()
{
    if (!m_open)
        return;
    std::unique_lock lock(m_mutex);
    const std::uint64_t wanted = m_queued;
    m_flushWanted = true;
    m_wake.notify_all();
    m_done.wait(lock, [&] { return m_committed >= wanted || !m_writer.joinable(); });
}

std::int64_t Store::NewConversation(const QString& sessionId, const QStringList& contacts)
{
    // Ids follow the clock, so later conversations sort after earlier ones.
    const std::int64_t id =
        std::max<std::int64_t>(m_lastConversation + 1, QDateTime::currentMSecsSinceEpoch() * 1000);
    m_lastConversation = id;
    QStringList folded;
    for (const QString& c : contacts)
        if (!Folded(c).isEmpty() && !folded.contains(Folded(c)))
            folded << Folded(c);
    const std::int64_t started = id / 1000;
    Enqueue([id, sessionId, folded, started](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO conversations(id, session, started) VALUES(?,?,?)"));
        q.addBindValue(QVariant::fromValue<qint64>(id));
        q.addBindValue(sessionId);
        q.addBindValue(QVariant::fromValue<qint64>(started));
        QSqlError error = Run(q);
        for (const QString& contact : folded) {
            if (error.isValid())
                break;
            QSqlQuery c(db);
            c.prepare(QStringLiteral(
                "INSERT INTO conversation_contacts(contact, conversation) VALUES(?,?)"));
            c.addBindValue(contact);
            c.addBindValue(QVariant::fromValue<qint64>(id));
            error = Run(c);
        }
        return error;
    });
    return id;
}

void Store::Append(Entry e)
{
    if (e.time == 0)
        e.time = QDateTime::currentMSecsSinceEpoch();
    Enqueue([e = std::move(e)](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("INSERT INTO entries(conversation, time, kind, outgoing, "
                                 "sender, sender_name, participants, body, rtf, channel, number, "
                                 "subject, result) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)"));
        q.addBindValue(QVariant::fromValue<qint64>(e.conversation));
        q.addBindValue(QVariant::fromValue<qint64>(e.time));
        q.addBindValue(static_cast<int>(e.kind));
        q.addBindValue(e.outgoing ? 1 : 0);
        q.addBindValue(e.sender);
        q.addBindValue(e.senderName);
        q.addBindValue(e.participants);
        q.addBindValue(e.text);
        q.addBindValue(e.rtf.isEmpty() ? QVariant() : QVariant(e.rtf));
        q.addBindValue(e.channel);
        q.addBindValue(e.number);
        q.addBindValue(e.subject);
        q.addBindValue(e.result);
        return Run(q);
    });
}

std::vector<Entry> Store::Recent(const QString& contact, int count, std::int64_t before)
{
    std::vector<Entry> out;
    if (!m_open || count <= 0)
        return out;
    QSqlDatabase db = QSqlDatabase::database(m_readName, false);
    QSqlQuery conversations(db);
    conversations.prepare(QStringLiteral(
        "SELECT conversation FROM conversation_contacts WHERE contact = ? AND (? = 0 OR "
        "conversation < ?) ORDER BY conversation DESC"));
    conversations.addBindValue(Folded(contact));
    conversations.addBindValue(QVariant::fromValue<qint64>(before));
    conversations.addBindValue(QVariant::fromValue<qint64>(before));
    if (!conversations.exec())
        return out;
    // Newest conversation first, newest entry first, until there are enough.
    while (static_cast<int>(out.size()) < count && conversations.next()) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT %1 FROM entries e WHERE conversation = ? ORDER BY id "
                                 "DESC LIMIT ?")
                      .arg(QLatin1StringView(kEntryColumns)));
        q.addBindValue(conversations.value(0));
        q.addBindValue(count - static_cast<int>(out.size()));
        if (!q.exec())
            break;
        while (q.next())
            out.push_back(ReadEntry(q));
    }
    std::reverse(out.begin(), out.end());
    return out;
}

std::vector<QString> Store::Contacts()
{
    std::vector<QString> out;
    if (!m_open)
        return out;
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    if (q.exec(QStringLiteral("SELECT DISTINCT contact FROM conversation_contacts ORDER BY 1")))
        while (q.next())
            out.push_back(q.value(0).toString());
    return out;
}

std::vector<Conversation> Store::ConversationsWith(const QString& contact)
{
    std::vector<Conversation> out;
    if (!m_open)
        return out;
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    q.prepare(QStringLiteral(
        "SELECT c.id, c.started, (SELECT group_concat(contact, ',') FROM conversation_contacts "
        "WHERE conversation = c.id), (SELECT count(*) FROM entries WHERE conversation = c.id) "
        "FROM conversations c JOIN conversation_contacts cc ON cc.conversation = c.id WHERE "
        "cc.contact = ? ORDER BY c.id DESC"));
    q.addBindValue(Folded(contact));
    if (q.exec())
        while (q.next())
            out.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toString(),
                           q.value(3).toInt()});
    return out;
}

std::vector<Entry> Store::Entries(std::int64_t conversation)
{
    std::vector<Entry> out;
    if (!m_open)
        return out;
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    q.prepare(QStringLiteral("SELECT %1 FROM entries e WHERE conversation = ? ORDER BY id")
                  .arg(QLatin1StringView(kEntryColumns)));
    q.addBindValue(QVariant::fromValue<qint64>(conversation));
    if (q.exec())
        while (q.next())
            out.push_back(ReadEntry(q));
    return out;
}

std::vector<Hit> Store::Search(const QString& text, int limit, int offset)
{
    std::vector<Hit> out;
    const QString match = MatchQuery(text);
    if (!m_open || match.isEmpty())
        return out;
    QSqlQuery q(QSqlDatabase::database(m_readName, false));
    q.prepare(QStringLiteral("SELECT %1, snippet(entry_text, 0, '[', ']', '...', 12) FROM "
                             "entry_text JOIN entries e ON e.id = entry_text.rowid WHERE "
                             "entry_text MATCH ? ORDER BY entry_text.rowid DESC LIMIT ? OFFSET ?")
                  .arg(QLatin1StringView(kEntryColumns)));
    q.addBindValue(match);
    q.addBindValue(limit);
    q.addBindValue(offset);
    if (q.exec())
        while (q.next())
            out.push_back({ReadEntry(q), q.value(14).toString()});
    return out;
}

void Store::LimitSize(std::int64_t pages)
{
    Enqueue([pages](QSqlDatabase& db) {
        QSqlQuery q(db);
        return Run(q, QStringLiteral("PRAGMA max_page_count=%1").arg(pages));
    });
}

void Store::DeleteConversation(std::int64_t conversation)
{
    Enqueue([conversation](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM conversations WHERE id = ?"));
        q.addBindValue(QVariant::fromValue<qint64>(conversation));
        return Run(q);
    });
    Flush();
}

void Store::DeleteContact(const QString& contact)
{
    Enqueue([contact = Folded(contact)](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("DELETE FROM conversations WHERE id IN (SELECT conversation "
                                 "FROM conversation_contacts WHERE contact = ?)"));
        q.addBindValue(contact);
        return Run(q);
    });
    Flush();
}

void Store::DeleteAll()
{
    Enqueue([](QSqlDatabase& db) {
        QSqlQuery q(db);
        return Run(q, QStringLiteral("DELETE FROM conversations"));
    });
    Flush();
}

} // namespace zep::history
