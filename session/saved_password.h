// The saved password. Where the desktop runs a secret service on the session bus it lives in
// that keyring and the settings file keeps only the note that it is there; without one it is
// kept in scrambled form in the settings file, as before. Every step that may ask the keyring
// is asynchronous and bounded in time: its result comes back on the event loop of the calling
// (UI) thread, and a keyring that does not answer counts as no keyring.
#pragma once

#include "session/settings.h"

#include <QObject>
#include <chrono>
#include <functional>
#include <string>

namespace zep {

enum class PasswordStore
{
    Keyring,
    Settings,
};

namespace saved_password {

// The keyring item: one per settings folder, as there is one "password" value: "password" for
// the usual folder, "password <tag>" for another (SettingsFolderTag).
inline constexpr const char* kKeyringService = "ZEP Instant Messenger";
QString KeyringKey();
inline constexpr std::chrono::milliseconds kDefaultLimit{5000};

// Whether a secret service owns its name on the session bus now. An absent bus gives false.
void ProbeKeyring(std::chrono::milliseconds limit, QObject* receiver,
                  std::function<void(bool)> done);

// Keeps `plain`: in the keyring when one answers (then the scrambled value is removed), else
// scrambled in the settings. `done` (if `receiver` still lives) tells where it went. A later
// Keep or Forget overrides an earlier one that has not finished yet.
void Keep(std::string plain, std::chrono::milliseconds limit, QObject* receiver = nullptr,
          std::function<void(PasswordStore)> done = {});

// The saved password in plain text: from the keyring when the settings say it is there, else the
// scrambled value; "" when there is none or the keyring does not answer in time.
void Read(std::chrono::milliseconds limit, QObject* receiver,
          std::function<void(std::string)> done);

// Removes the saved password from both places ("savepassword" itself is the caller's).
void Forget();

// Whether a password is saved in either place (without asking the keyring).
bool Present(const Settings& settings);
bool InKeyring(const Settings& settings);

} // namespace saved_password
} // namespace zep
