#include "session/saved_password.h"

#include "session/password_scramble.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <qt6keychain/keychain.h>

namespace zep::saved_password {
namespace {

// Changes with every Keep and Forget: a Keep that finishes after a newer request leaves the
// settings alone.
std::uint64_t g_serial = 0;

// Jobs and timers hang off the application, not off the caller: a dialog that asked for a Keep
// and closed at once must not cut it short. The caller only hears back while it lives.
QObject* Anchor()
{
    return QCoreApplication::instance();
}

// Calls `done` once: with the job's outcome, or with nullptr when `limit` passes first.
template <typename Job>
void RunBounded(Job* job, std::chrono::milliseconds limit, std::function<void(Job*)> done)
{
    auto once = std::make_shared<std::function<void(Job*)>>(std::move(done));
    const auto finish = [once](Job* result) {
        if (auto f = std::exchange(*once, nullptr))
            f(result);
    };
    QObject::connect(job, &QKeychain::Job::finished, Anchor(),
                     [finish, job](QKeychain::Job*) { finish(job); });
    QTimer::singleShot(limit, Anchor(), [finish] { finish(nullptr); });
    job->setAutoDelete(true);
    job->start();
}

void KeepScrambled(const std::string& plain)
{
    Settings settings;
    settings.WriteText(setting::Password, QString::fromStdString(PasswordScramble(plain)));
    settings.Remove(setting::PasswordInKeyring);
}

} // namespace

bool InKeyring(const Settings& settings)
{
    return settings.ReadInt(setting::PasswordInKeyring, 0) != 0;
}

bool Present(const Settings& settings)
{
    return InKeyring(settings) ||
           !PasswordUnscramble(settings.ReadText(setting::Password).toStdString()).empty();
}

QString KeyringKey()
{
    const QString tag = SettingsFolderTag();
    return tag.isEmpty() ? QStringLiteral("password") : QStringLiteral("password ") + tag;
}

void ProbeKeyring(std::chrono::milliseconds limit, QObject* receiver,
                  std::function<void(bool)> done)
{
    QPointer<QObject> alive(receiver);
    auto answer = [alive, done = std::move(done)](bool available) {
        if (alive && done)
            done(available);
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QTimer::singleShot(0, Anchor(), [answer] { answer(false); });
        return;
    }
    // Asking whether the name has an owner never starts a service: a keyring that is only
    // installed, not running, would start locked and ask for its password.
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    ask << QStringLiteral("org.freedesktop.secrets");
    auto* watcher =
        new QDBusPendingCallWatcher(bus.asyncCall(ask, static_cast<int>(limit.count())), Anchor());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, Anchor(),
                     [answer](QDBusPendingCallWatcher* w) {
                         const QDBusPendingReply<bool> reply = *w;
                         answer(reply.isValid() && reply.value());
                         w->deleteLater();
                     });
}

void Keep(std::string plain, std::chrono::milliseconds limit, QObject* receiver,
          std::function<void(PasswordStore)> done)
{
    const std::uint64_t serial = ++g_serial;
    QPointer<QObject> alive(receiver);
    auto report = [alive, done = std::move(done)](PasswordStore store) {
        if (alive && done)
            done(store);
    };
    const auto started = std::chrono::steady_clock::now();
    ProbeKeyring(limit, Anchor(), [=](bool available) {
        if (serial != g_serial)
            return;
        if (!available) {
            KeepScrambled(plain);
            return report(PasswordStore::Settings);
        }
        auto* job = new QKeychain::WritePasswordJob(QLatin1String(kKeyringService));
        job->setKey(KeyringKey());
        job->setTextData(QString::fromStdString(plain));
        const auto left = std::max(limit - std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - started),
                                   std::chrono::milliseconds(1));
        RunBounded<QKeychain::WritePasswordJob>(
            job, left, [=](QKeychain::WritePasswordJob* result) {
                if (serial != g_serial)
                    return;
                if (result == nullptr || result->error() != QKeychain::NoError) {
                    KeepScrambled(plain);
                    return report(PasswordStore::Settings);
                }
                Settings settings;
                settings.Remove(setting::Password);
                settings.WriteInt(setting::PasswordInKeyring, 1);
                report(PasswordStore::Keyring);
            });
    });
}

void Read(std::chrono::milliseconds limit, QObject* receiver, std::function<void(std::string)> done)
{
    QPointer<QObject> alive(receiver);
    auto answer = [alive, done = std::move(done)](std::string plain) {
        if (alive && done)
            done(std::move(plain));
    };
    const Settings settings;
    std::string scrambled = PasswordUnscramble(settings.ReadText(setting::Password).toStdString());
    if (!InKeyring(settings)) {
        QTimer::singleShot(0, Anchor(), [answer, scrambled] { answer(scrambled); });
        return;
    }
    const auto started = std::chrono::steady_clock::now();
    ProbeKeyring(limit, Anchor(), [=](bool available) {
        if (!available)
            return answer(scrambled);
        auto* job = new QKeychain::ReadPasswordJob(QLatin1String(kKeyringService));
        job->setKey(KeyringKey());
        const auto left = std::max(limit - std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - started),
                                   std::chrono::milliseconds(1));
        RunBounded<QKeychain::ReadPasswordJob>(job, left, [=](QKeychain::ReadPasswordJob* result) {
            if (result == nullptr || result->error() != QKeychain::NoError)
                return answer(scrambled);
            answer(result->textData().toStdString());
        });
    });
}

void Forget()
{
    ++g_serial;
    Settings settings;
    settings.Remove(setting::Password);
    settings.Remove(setting::PasswordInKeyring);
    // Also when the note is gone: an earlier Keep may have reached the keyring after all. The
    // keychain runs its jobs one after another, so this one follows any write still under way.
    ProbeKeyring(kDefaultLimit, Anchor(), [](bool available) {
        if (!available)
            return;
        auto* job = new QKeychain::DeletePasswordJob(QLatin1String(kKeyringService));
        job->setKey(KeyringKey());
        RunBounded<QKeychain::DeletePasswordJob>(job, kDefaultLimit,
                                                 [](QKeychain::DeletePasswordJob*) {});
    });
}

} // namespace zep::saved_password
