// The conversation history kept on this computer: one SQLite database per account under
// $XDG_DATA_HOME/zepim/ (folder 0700, file 0600, write-ahead log, versioned schema, a full-text
// index of the text). Nothing of it goes to the server.
//
// Writes are queued and committed by a writer thread in batches, one transaction for a burst,
// at most kBatchDelay after the first of them; reads run on the owner's thread over a second
// connection, which the write-ahead log never blocks. Nothing a window does depends on the
// store succeeding: a store that cannot be opened or turns out corrupt is moved aside and
// started again, a full disk stops the writing until there is space again, each with one
// `fault`.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QSqlDatabase;
class QSqlError;

namespace zep::history {

enum class EntryKind : int
{
    Message = 0, // said in a conversation
    Notice = 1,  // joined, left, session timeout, connection lost, failed delivery
    Offline = 2, // an e-mail, SMS or pager message sent from an offline message window
};

struct Entry
{
    std::int64_t id = 0;           // assigned by the store
    std::int64_t conversation = 0; // from NewConversation
    std::int64_t time = 0;         // milliseconds since the epoch (UTC)
    EntryKind kind = EntryKind::Message;
    bool outgoing = false;
    QString sender;       // address
    QString senderName;   // as shown
    QString participants; // the addresses in the conversation at that moment, comma-separated
    QString text;         // plain text
    QByteArray rtf;       // the rich text part, when there was one
    // Offline messages: "email", "sms" or "pager", the number, the subject and the result.
    QString channel;
    QString number;
    QString subject;
    int result = 0;
};

struct Conversation
{
    std::int64_t id = 0;
    std::int64_t started = 0; // milliseconds since the epoch
    QString contacts;         // the other participants, comma-separated
    int entries = 0;
};

struct Hit
{
    Entry entry;
    QString context; // the matching line with its neighbourhood, the match between [ and ]
};

class Store : public QObject
{
    Q_OBJECT
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr std::chrono::milliseconds kBatchDelay{100};
    static constexpr std::size_t kBatchLimit = 2000;
    // After a full disk, how long writes are dropped before the next try.
    static constexpr std::chrono::seconds kFullRetry{30};

    explicit Store(QObject* parent = nullptr);
    ~Store() override;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // The database of an account: $XDG_DATA_HOME/zepim/history-<address>.sqlite.
    static QString FileFor(const QString& account);

    // Opens (creating or migrating) the account's database and starts the writer. false, with
    // one `fault`, when no history can be kept; the store then accepts and drops everything.
    bool Open(const QString& account);
    bool Open(const QString& account, const QString& file);
    void Close();
    bool IsOpen() const { return m_open; }
    QString File() const { return m_file; }

    // A new conversation with `contacts` (addresses); its id comes at once, the row follows
    // with the next batch.
    std::int64_t NewConversation(const QString& sessionId, const QStringList& contacts);
    void Append(Entry entry);
    // Waits until everything queued before the call is committed (log-off, tests).
    void Flush();

    // The last `count` entries with `contact` before conversation `before` (0: any), oldest
    // first.
    std::vector<Entry> Recent(const QString& contact, int count, std::int64_t before = 0);
    std::vector<QString> Contacts();
    std::vector<Conversation> ConversationsWith(const QString& contact);
    std::vector<Entry> Entries(std::int64_t conversation);
    // Entries whose text holds every word of `text` (the last one as a prefix), newest first.
    std::vector<Hit> Search(const QString& text, int limit, int offset = 0);

    // Caps the database at `pages` pages (never below its size): a full disk, for tests.
    void LimitSize(std::int64_t pages);
    void SetFullRetry(std::chrono::milliseconds retry) { m_fullRetry = retry; }

    void DeleteConversation(std::int64_t conversation);
    void DeleteContact(const QString& contact);
    void DeleteAll();

signals:
    // A fault the user should know of, once per fault.
    void fault(const QString& text);

private:
    // One write of a batch: nothing (an invalid error) when it went well.
    using Op = std::function<QSqlError(QSqlDatabase&)>;
    void Enqueue(Op op);
    void WriterLoop(std::stop_token stop);
    void Commit(QSqlDatabase& db, std::vector<Op>& ops);
    enum class Opened
    {
        Ok,
        Broken, // not a database, or a damaged one: set aside and start again
        Failed, // no history this time (no folder, no driver, a newer schema)
    };
    Opened OpenFile();
    Opened TryOpenFile();
    void StartWriter();
    void StopWriter();
    void SetAside(const QString& why);
    void Recover();

    QString m_file;
    QString m_why; // why the last open failed
    QString m_readName;
    QString m_writeName;
    bool m_open = false;
    bool m_recovering = false;
    std::int64_t m_lastConversation = 0;

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_done;
    std::vector<Op> m_ops;
    std::uint64_t m_queued = 0;
    std::uint64_t m_committed = 0;
    bool m_flushWanted = false;
    std::atomic<bool> m_fullReported{false};
    std::chrono::steady_clock::time_point m_fullUntil{};
    std::atomic<std::chrono::milliseconds> m_fullRetry{kFullRetry};
    std::jthread m_writer;
};

} // namespace zep::history
