// The five pages of the options dialog. Each control carries the name of the value it edits as
// its object name.
#pragma once

#include "desktop/mail_clients.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <optional>
#include <utility>

namespace zep {

class OptionsHost;

// What a page's check before applying found wrong: the text to show and the control to fix.
struct OptionsRefusal
{
    QString text;
    QWidget* control = nullptr;
};

// Port fields take 1 to 65535; empty or 0 stands for the default. Nothing for anything else.
std::optional<int> ParsePortField(const QString& text, int fallback);
// The away time as stored: the decimal form of the typed number, "3" for anything below 3.
QString AwayTimeToStore(const QString& text);

class COptionsPage : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    bool Loaded() const { return m_loaded; }
    // Reads the settings the first time the page is shown.
    void EnsureLoaded();
    // Checked on every shown page before any page writes anything.
    virtual std::optional<OptionsRefusal> Check() const { return std::nullopt; }
    // Writes the page's values. `variablesLoaded`: the server variables were fetched.
    virtual void Apply(bool variablesLoaded) = 0;

signals:
    void Modified();
    // A control that edits a server variable changed.
    void VariablesEdited();

protected:
    virtual void Load() = 0;
    // Connected to every control's change signal; quiet while the page fills its controls.
    void Changed();
    void VariableChanged();
    bool m_filling = false;

private:
    bool m_loaded = false;
};

class CZEPOptionsPersonal : public COptionsPage
{
    Q_OBJECT
public:
    explicit CZEPOptionsPersonal(QWidget* parent = nullptr);
    // Enables the controls and reads the values again (the fetched variables are in the store).
    void SetVariablesLoaded(bool loaded);
    void Apply(bool variablesLoaded) override;

protected:
    void Load() override;

private:
    QCheckBox* AddBox(const char* name, const QString& text);
    QComboBox* AddList(const char* name);

    QList<QCheckBox*> m_boxes;
    QList<QComboBox*> m_lists;
    QLineEdit* m_awayTime;
};

class CZEPOptionsMessage : public COptionsPage
{
    Q_OBJECT
public:
    explicit CZEPOptionsMessage(QWidget* parent = nullptr);
    void SetVariablesLoaded(bool loaded);
    void Apply(bool variablesLoaded) override;
    QPushButton* FontButton() { return m_font; }

    // Asks first (a window-modal box), then emits DeleteHistoryRequested on "Yes".
    void ConfirmDeleteHistory();

signals:
    void ChangeFontRequested();
    void DeleteHistoryRequested();

protected:
    void Load() override;

private:
    QCheckBox* m_transcripts;
    QCheckBox* m_sendOnEnter;
    QCheckBox* m_notify; // ours, stored locally: desktop notifications of messages
    // Ours, stored locally: the time in captions and the history on this computer.
    QCheckBox* m_timestamps;
    QCheckBox* m_spellCheck;
    QCheckBox* m_keepHistory;
    QPushButton* m_deleteHistory;
    QPushButton* m_font;
};

class CZEPOptionsGeneral : public COptionsPage
{
    Q_OBJECT
public:
    explicit CZEPOptionsGeneral(OptionsHost& host, QWidget* parent = nullptr);
    std::optional<OptionsRefusal> Check() const override;
    void Apply(bool variablesLoaded) override;
    // True once after the last Apply could not write the autostart entry.
    bool TakeAutostartFailed() { return std::exchange(m_autostartFailed, false); }

protected:
    void Load() override;

private:
    void EnforceStartupPair(QCheckBox* changed);
    bool m_autostartFailed = false;

    OptionsHost& m_host;
    QCheckBox* m_launch;
    QCheckBox* m_launchMail;
    QCheckBox* m_openMain;
    QCheckBox* m_autoLogon;
    QRadioButton* m_registered;
    QRadioButton* m_specified;
    QComboBox* m_clients;
};

class CZEPOptionsAccount : public COptionsPage
{
    Q_OBJECT
public:
    // What the password edit shows for a saved password.
    static constexpr const char* kPlaceholder = "********";

    explicit CZEPOptionsAccount(QWidget* parent = nullptr);
    void Apply(bool variablesLoaded) override;
    // True once after a change was applied: it takes effect at the next logon.
    bool TakeChanged();
    // Beside "Save password": where a saved password is kept (keyring or settings file).
    QString StoreNote() const;

protected:
    void Load() override;

private:
    void PasswordEdited(const QString& text);

    QLineEdit* m_email;
    QLineEdit* m_password;
    QCheckBox* m_save;
    QLabel* m_store;
    bool m_placeholder = false;
    bool m_passwordChanged = false;
    bool m_changed = false;
    bool m_appliedChange = false;
};

class CZEPOptionsConnection : public COptionsPage
{
    Q_OBJECT
public:
    explicit CZEPOptionsConnection(QWidget* parent = nullptr);
    std::optional<OptionsRefusal> Check() const override;
    void Apply(bool variablesLoaded) override;
    bool TakeChanged();

    // The certificate pinned for the server and secure port typed on the page.
    QLabel* PinnedCertificate() const { return m_pinned; }
    QPushButton* ForgetButton() const { return m_forget; }

protected:
    void Load() override;

private:
    void ShowPin();
    void ForgetPin();

    QLineEdit* m_server;
    QLineEdit* m_port;
    QLineEdit* m_sslPort;
    QCheckBox* m_useSsl;
    QCheckBox* m_useProxy;
    QLineEdit* m_proxyServer;
    QLineEdit* m_proxyPort;
    QLabel* m_pinned;
    QPushButton* m_forget;
    bool m_changed = false;
    bool m_appliedChange = false;
};

} // namespace zep
