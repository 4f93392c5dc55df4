// The conversation history under load: bench_history [messages]
//   - a burst of 1000 messages: the time Append costs its caller, and until all are committed;
//   - a store of `messages` (default 100000) in 1000 conversations with 50 contacts: its size,
//     the first page of a search, and the 20 earlier lines of a reopened conversation;
//   - a writer killed (SIGKILL) during a stream of messages: what the reopened store kept.
#include "session/history_store.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace zep::history;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

const char* kWords[] = {"meeting", "lunch",  "report",  "budget",  "train",   "coffee",
                        "release", "review", "invoice", "holiday", "printer", "server"};

Entry Message(std::int64_t conversation, int n)
{
    Entry e;
    e.conversation = conversation;
    e.sender = QStringLiteral("contact%1@example.com").arg(n % 50);
    e.senderName = QStringLiteral("Contact %1").arg(n % 50);
    e.text = QStringLiteral("message %1 about the %2 and the %3, see you at %4")
                 .arg(n)
                 .arg(QLatin1StringView(kWords[n % 12]), QLatin1StringView(kWords[(n / 12) % 12]))
                 .arg(n % 24);
    e.rtf = QByteArray("{\\rtf1\\ansi ") + e.text.toUtf8() + "}";
    return e;
}

template <typename F> std::vector<double> Times(int runs, F f)
{
    std::vector<double> out;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        f(i);
        out.push_back(Ms(Clock::now() - start));
    }
    std::sort(out.begin(), out.end());
    return out;
}

void Print(const char* what, const std::vector<double>& t)
{
    std::printf("%-44s median %.2f ms (min %.2f, max %.2f)\n", what, t[t.size() / 2], t.front(),
                t.back());
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int messages = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;

    {
        Store burst;
        burst.Open("me@example.com", dir.path() + "/burst.sqlite");
        const std::int64_t c = burst.NewConversation("s", {"contact1@example.com"});
        const auto start = Clock::now();
        for (int i = 0; i < 1000; ++i)
            burst.Append(Message(c, i));
        const auto queued = Clock::now();
        burst.Flush();
        std::printf("burst of 1000: Append %.2f ms in all on the caller, committed after %.1f ms\n",
                    Ms(queued - start), Ms(Clock::now() - start));
    }

    const QString file = dir.path() + "/big.sqlite";
    {
        Store store;
        store.Open("me@example.com", file);
        const auto start = Clock::now();
        const int perConversation = std::max(1, messages / 1000);
        std::int64_t c = 0;
        for (int i = 0; i < messages; ++i) {
            if (i % perConversation == 0)
                c = store.NewConversation(
                    "s", {QStringLiteral("contact%1@example.com").arg((i / perConversation) % 50)});
            store.Append(Message(c, i));
        }
        store.Flush();
        store.Close();
        std::printf("%d messages written in %.0f ms; database %.1f MB\n", messages,
                    Ms(Clock::now() - start),
                    static_cast<double>(QFileInfo(file).size()) / (1024.0 * 1024.0));
    }
    {
        Store store;
        const auto opening = Clock::now();
        store.Open("me@example.com", file);
        std::printf("%-44s %.2f ms\n", "opening the store", Ms(Clock::now() - opening));
        std::size_t hits = 0;
        Print("search, first page of 20 (one word)", Times(21, [&](int i) {
                  hits = store.Search(QLatin1StringView(kWords[i % 12]), 20).size();
              }));
        Print("search, first page of 20 (two words)", Times(21, [&](int i) {
                  store.Search(QStringLiteral("%1 %2").arg(QLatin1StringView(kWords[i % 12]),
                                                           QLatin1StringView(kWords[(i + 5) % 12])),
                               20);
              }));
        Print("search, a prefix matching nearly everything",
              Times(21, [&](int) { store.Search(QStringLiteral("m"), 20); }));
        std::size_t lines = 0;
        Print("reopening: the 20 earlier lines", Times(21, [&](int i) {
                  lines =
                      store.Recent(QStringLiteral("contact%1@example.com").arg(i % 50), 20).size();
              }));
        std::printf("(a search gave %zu hits, a reopening %zu lines)\n", hits, lines);
    }

    // Killed in the middle of a stream of messages, one every millisecond.
    const QString killed = dir.path() + "/killed.sqlite";
    const pid_t child = fork();
    if (child == 0) {
        Store store;
        store.Open("me@example.com", killed);
        const std::int64_t c = store.NewConversation("s", {"contact1@example.com"});
        for (int i = 0;; ++i) {
            Entry e = Message(c, i);
            e.time = QDateTime::currentMSecsSinceEpoch();
            store.Append(e);
            usleep(1000);
        }
    }
    usleep(3'000'000);
    const qint64 killedAt = QDateTime::currentMSecsSinceEpoch();
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
        db.setDatabaseName(killed);
        db.open();
        QSqlQuery q(db);
        q.exec("PRAGMA integrity_check");
        q.next();
        const QString integrity = q.value(0).toString();
        q.exec("SELECT count(*), max(time) FROM entries");
        q.next();
        std::printf("killed after 3 s: integrity %s, %lld messages kept, the last %lld ms before "
                    "the kill\n",
                    qPrintable(integrity), q.value(0).toLongLong(),
                    killedAt - q.value(1).toLongLong());
    }
    QSqlDatabase::removeDatabase("check");
    return 0;
}
