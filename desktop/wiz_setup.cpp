#include "desktop/wiz_setup.h"

#include "desktop/autostart.h"
#include "session/password_scramble.h"
#include "session/saved_password.h"
#include "session/settings.h"
#include "ui/transparent_bitmap.h"
#include "ui/utf8_validator.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QVBoxLayout>

namespace zep {

CWizPage::CWizPage(const QString& text, QWidget* parent)
    : QWizardPage(parent), m_logo(new CTransparentBitmap(this)), m_body(new QWidget(this))
{
    auto* intro = new QLabel(text, this);
    intro->setWordWrap(true);
    intro->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_logo->ShowLogo();

    auto* top = new QHBoxLayout;
    top->addWidget(intro, 1);
    top->addWidget(m_logo, 0, Qt::AlignRight | Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addWidget(m_body, 1);
}

CWizServer::CWizServer(QWidget* parent)
    : CWizPage(tr("Enter the ZEP server name."), parent), m_server(new QLineEdit(this)),
      m_secure(new QCheckBox(tr("Use secure &connection"), this))
{
    m_server->setMaxLength(256);
    auto* form = new QFormLayout(Body());
    form->addRow(tr("&Server name:"), m_server);
    form->addRow(QString(), m_secure);
    connect(m_server, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
}

bool CWizServer::isComplete() const
{
    return !m_server->text().isEmpty();
}

CWizUser::CWizUser(QWidget* parent)
    : CWizPage(tr("Enter your email address and password."), parent),
      m_address(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_save(new QCheckBox(tr("&Save password"), this))
{
    m_address->setMaxLength(256);
    m_password->setMaxLength(static_cast<int>(kMaxPasswordChars));
    m_password->setValidator(
        new Utf8LengthValidator(static_cast<int>(kMaxPasswordChars), m_password));
    m_password->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout(Body());
    form->addRow(tr("&Email address:"), m_address);
    form->addRow(tr("&Password:"), m_password);
    form->addRow(QString(), m_save);
    connect(m_address, &QLineEdit::textChanged, this, &QWizardPage::completeChanged);
}

bool CWizUser::isComplete() const
{
    return !m_address->text().isEmpty();
}

CWizOptions::CWizOptions(QWidget* parent)
    : CWizPage(tr("Choose your startup preferences."), parent),
      m_launch(new QCheckBox(tr("&Launch automatically on startup"), this)),
      m_open(new QCheckBox(tr("&Open main window when ZEP Instant Messenger starts"), this)),
      m_autoLogon(new QCheckBox(tr("Enable automatic &logon"), this))
{
    auto* layout = new QVBoxLayout(Body());
    layout->addWidget(m_launch);
    layout->addWidget(m_open);
    layout->addWidget(m_autoLogon);
    layout->addStretch(1);
}

void CWizOptions::LoadFromSettings()
{
    Settings settings;
    m_launch->setChecked(TestRunValue(m_executable));
    m_open->setChecked(settings.ReadInt(setting::OpenMainWnd, 0) != 0);
    m_autoLogon->setChecked(settings.ReadInt(setting::AutoLogon, 0) != 0);
}

CWizFinish::CWizFinish(QWidget* parent)
    : CWizPage(tr("You have entered all the information to setup your account.\n\n"
                  "To save these settings, click Finish."),
               parent)
{
}

CWizSetup::CWizSetup(QString executable, QWidget* parent)
    : QWizard(parent), m_server(new CWizServer), m_user(new CWizUser), m_options(new CWizOptions),
      m_executable(executable.isEmpty() ? QCoreApplication::applicationFilePath() : executable)
{
    setObjectName(QStringLiteral("CWizSetup"));
    m_options->SetExecutable(m_executable);
    setWindowTitle(tr("ZEP Instant Messenger Setup Wizard"));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    setPage(ServerPage, m_server);
    setPage(UserPage, m_user);
    setPage(OptionsPage, m_options);
    setPage(FinishPage, new CWizFinish);
    // The start-up boxes follow the stored settings every time their page is shown, also when
    // coming back to it.
    connect(this, &QWizard::currentIdChanged, this, [this](int id) {
        if (id == OptionsPage)
            m_options->LoadFromSettings();
    });
    m_askCancel = [this] {
        return QMessageBox::warning(this, windowTitle(),
                                    tr("ZEP Instant Messenger setup is not complete.\n\n"
                                       "Are you sure you want to exit the wizard?"),
                                    QMessageBox::Yes | QMessageBox::No,
                                    QMessageBox::No) == QMessageBox::Yes;
    };
    resize(480, 320);
}

void CWizSetup::WriteSettings(std::function<void()> done)
{
    Settings settings;
    settings.WriteText(setting::Server, m_server->Server()->text().left(1023));
    const bool secure = m_server->Secure()->isChecked();
    settings.WriteInt(setting::UseSsl, secure ? 1 : 0);
    // The wizard asks for no port: it stores the default of the chosen mode.
    if (secure)
        settings.WriteInt(setting::SslPort, defaults::SslPort);
    else
        settings.WriteInt(setting::Port, defaults::Port);
    settings.WriteText(setting::Email, m_user->Address()->text());
    const bool save = m_user->SavePassword()->isChecked();
    settings.WriteInt(setting::SavePassword, save ? 1 : 0);
    SetRunValue(m_options->LaunchOnStartup()->isChecked(), m_executable);
    settings.WriteInt(setting::OpenMainWnd, m_options->OpenMainWindow()->isChecked() ? 1 : 0);
    settings.WriteInt(setting::AutoLogon, m_options->AutoLogon()->isChecked() ? 1 : 0);
    settings.Sync();
    const QByteArray typed = m_user->Password()->text().toUtf8();
    if (!save || typed.isEmpty()) {
        saved_password::Forget(); // "don't save" leaves no password behind
        if (done)
            done();
        return;
    }
    // Where the logon dialog and the options keep it: the keyring when one answers, the
    // settings file (scrambled) only without one.
    saved_password::Keep(std::string(typed.constData(), typed.size()),
                         saved_password::kDefaultLimit, this,
                         [done = std::move(done)](PasswordStore) {
                             if (done)
                                 done();
                         });
}

void CWizSetup::accept()
{
    // The wizard closes once the password is stored, so the logon that follows finds it. Finish
    // stays disabled meanwhile: the keyring answers within its limit.
    if (m_finishing)
        return;
    m_finishing = true;
    if (QAbstractButton* finish = button(QWizard::FinishButton))
        finish->setEnabled(false);
    WriteSettings([this] { QWizard::accept(); });
}

void CWizSetup::reject()
{
    if (m_finishing) // the settings are half written; the keyring's answer closes the wizard
        return;
    if (m_askCancel && !m_askCancel())
        return;
    QWizard::reject();
}

} // namespace zep
