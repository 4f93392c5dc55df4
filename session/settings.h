// Per-user settings of the messenger: names, defaults and typed access through QSettings.
#pragma once

#include "protocol/product.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <QStringList>

namespace zep {

inline constexpr const char* kSettingsOrganisation = "Corvane";
inline constexpr const char* kSettingsApplication = "ZEP Instant Messenger";

// Value names, as the settings file stores them.
namespace setting {
inline constexpr const char* Server = "server";
inline constexpr const char* Port = "port";
inline constexpr const char* SslPort = "sslport";
inline constexpr const char* UseSsl = "usessl";
inline constexpr const char* UseProxy = "useproxy";
inline constexpr const char* ProxyServer = "httppxyserver";
inline constexpr const char* ProxyPort = "httppxyport";
inline constexpr const char* Email = "email";
inline constexpr const char* Password = "password";
inline constexpr const char* SavePassword = "savepassword";
inline constexpr const char* AutoLogon = "autologon";
inline constexpr const char* OpenMainWnd = "openmainwnd";
inline constexpr const char* AutoLaunchEmailClient = "autolaunchemailclient";
inline constexpr const char* EmailMode = "emailmode";
inline constexpr const char* EmailClient = "emailclient";
inline constexpr const char* EmailClientCommand = "emailclientcommand";
inline constexpr const char* EmailClientWindowName = "emailclientwindowname";
inline constexpr const char* Version = "version";
inline constexpr const char* OnlineNodeOpen = "onlinenodeopen";
inline constexpr const char* OfflineNodeOpen = "offlinenodeopen";
inline constexpr const char* LogoLink = "logolink";
inline constexpr const char* LogoFile = "logofile";
inline constexpr const char* MainWp = "main_wp";
inline constexpr const char* MessageWp = "message_wp";
inline constexpr const char* MessageLf = "message_lf";
inline constexpr const char* MessageColor = "message_color";
inline constexpr const char* OfflineMessageWp = "offlinemessage_wp";
// Ours, beyond the suite's values: 0 turns the desktop notifications of messages off.
inline constexpr const char* NotifyMessages = "notifymessages";
// Ours: 0 shows message captions without the time.
inline constexpr const char* ShowTimestamps = "showtimestamps";
// Ours: 0 keeps no conversation history on this computer.
inline constexpr const char* KeepHistory = "keephistory";
// Ours: 0 turns the spell checking of what the user types off; the dictionary's language tag.
inline constexpr const char* SpellCheck = "spellcheck";
inline constexpr const char* SpellLanguage = "spelllanguage";
// Ours: 1 while the saved password lives in the desktop keyring instead of in "password".
inline constexpr const char* PasswordInKeyring = "passwordinkeyring";
// Ours: the group of the contacts whose sign-in is announced, one list per account
// ("notifyonline/<account>"); session/presence_alerts.h reads and writes it.
inline constexpr const char* NotifyOnline = "notifyonline";
} // namespace setting

// Defaults of the values that have one other than 0 or empty.
namespace defaults {
inline constexpr int Port = 8367;
inline constexpr int SslPort = 8368;
inline constexpr int ProxyPort = 8080;
inline constexpr int AutoLogonAtStart = 1;
inline constexpr int AutoLogonInOptions = 0;
inline constexpr int OpenMainWndAtStart = 1;
inline constexpr int OpenMainWndInOptions = 0;
inline constexpr int NodeOpen = 1;
inline constexpr int NotifyMessages = 1;
inline constexpr int KeepHistory = 1;
inline constexpr int ShowTimestamps = 1;
inline constexpr int SpellCheck = 1;
inline constexpr const char* LogoLink = "https://www.corvane.example/";
// The first-run marker: the messenger's own version.
inline constexpr const char* VersionText = kProductVersion;
} // namespace defaults

// One view of the settings file. Cheap to construct; instances in different threads see each
// other's writes at once (QSettings shares one store per file within the process).
class Settings
{
public:
    Settings();

    int ReadInt(const char* name, int fallback) const;
    void WriteInt(const char* name, int value);
    QString ReadText(const char* name, const QString& fallback = {}) const;
    void WriteText(const char* name, const QString& value);
    QByteArray ReadRecord(const char* name) const;
    void WriteRecord(const char* name, const QByteArray& bytes);
    // A list of texts under a name made at run time (such as one per account).
    QStringList ReadList(const QString& name) const;
    void WriteList(const QString& name, const QStringList& values);
    bool Contains(const char* name) const;
    void Remove(const char* name);
    void Sync();

    // Ports: a stored 0 (or a value outside 16 bits that leaves 0) reads as the default.
    int ServerPort(bool tls) const;
    int ProxyPort() const;
    // Writers keep the low 16 bits and store the default for 0, as the options dialog does.
    static int StoredPort(long typed, int fallback);

    QString FileName() const { return m_store.fileName(); }
    // Beside the settings file: the folder of the program, for the mail-client add-in's
    // "Launch" where no desktop entry is installed. Written (owner-only, in one step) when
    // nothing is recorded yet, so another build tree never takes over the recorded one; an
    // installed program (`installed`) replaces a different folder.
    static QString InstallDirectoryFile();
    static bool RecordInstallDirectory(const QString& folder, bool installed = false);

    // The file holds the (scrambled) password: its folder is made owner-only (0700) and the
    // file created or tightened to 0600 before anything is written. Run once at start.
    static bool SecureStore();

private:
    mutable QSettings m_store;
};

// "" for the usual settings folder (~/.config), else a short tag of the settings folder in use:
// what is kept outside that folder (the running copy's name, the keyring item) stays apart for
// each settings folder, so a second set of settings never takes the user's own.
QString SettingsFolderTag();
QString SettingsFolderTag(const QString& configFolder, const QString& homeFolder);

} // namespace zep
