// The first-start setup wizard: server, account, start-up preferences, finish.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QWizard>
#include <QWizardPage>
#include <functional>

namespace zep {

class CTransparentBitmap;

// A wizard page with its text at the top and the logo in the top-right corner.
class CWizPage : public QWizardPage
{
    Q_OBJECT
public:
    CWizPage(const QString& text, QWidget* parent = nullptr);
    CTransparentBitmap* Logo() { return m_logo; }

protected:
    QWidget* Body() { return m_body; }

private:
    CTransparentBitmap* m_logo;
    QWidget* m_body;
};

class CWizServer : public CWizPage
{
    Q_OBJECT
public:
    explicit CWizServer(QWidget* parent = nullptr);
    bool isComplete() const override;
    QLineEdit* Server() { return m_server; }
    QCheckBox* Secure() { return m_secure; }

private:
    QLineEdit* m_server;
    QCheckBox* m_secure;
};

class CWizUser : public CWizPage
{
    Q_OBJECT
public:
    explicit CWizUser(QWidget* parent = nullptr);
    bool isComplete() const override;
    QLineEdit* Address() { return m_address; }
    QLineEdit* Password() { return m_password; }
    QCheckBox* SavePassword() { return m_save; }

private:
    QLineEdit* m_address;
    QLineEdit* m_password;
    QCheckBox* m_save;
};

class CWizOptions : public CWizPage
{
    Q_OBJECT
public:
    explicit CWizOptions(QWidget* parent = nullptr);
    // Sets the boxes from the stored settings; runs each time the page is shown.
    void LoadFromSettings();
    void SetExecutable(const QString& executable) { m_executable = executable; }
    QCheckBox* LaunchOnStartup() { return m_launch; }
    QCheckBox* OpenMainWindow() { return m_open; }
    QCheckBox* AutoLogon() { return m_autoLogon; }

private:
    QCheckBox* m_launch;
    QCheckBox* m_open;
    QCheckBox* m_autoLogon;
    QString m_executable;
};

class CWizFinish : public CWizPage
{
    Q_OBJECT
public:
    explicit CWizFinish(QWidget* parent = nullptr);
};

class CWizSetup : public QWizard
{
    Q_OBJECT
public:
    enum PageId
    {
        ServerPage,
        UserPage,
        OptionsPage,
        FinishPage
    };

    // `executable` is the program the autostart entry names.
    explicit CWizSetup(QString executable = {}, QWidget* parent = nullptr);

    CWizServer* ServerPageWidget() { return m_server; }
    CWizUser* UserPageWidget() { return m_user; }
    CWizOptions* OptionsPageWidget() { return m_options; }

    // Writes every value of the wizard (the Finish button); `done` runs once the password, if
    // saved, is stored (the keyring answers later, on the event loop).
    void WriteSettings(std::function<void()> done = {});
    // Whether cancelling asks first; tests answer the question through this.
    void SetCancelQuestion(std::function<bool()> ask) { m_askCancel = std::move(ask); }

public slots:
    void accept() override;
    void reject() override;

private:
    CWizServer* m_server;
    CWizUser* m_user;
    CWizOptions* m_options;
    QString m_executable;
    std::function<bool()> m_askCancel;
    bool m_finishing = false;
};

} // namespace zep
