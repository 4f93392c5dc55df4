// The pages that edit local settings only: "General", "Account" and "Connection".
#include "desktop/options_pages.h"

#include "desktop/autostart.h"
#include "desktop/options_host.h"
#include "session/password_scramble.h"
#include "session/saved_password.h"
#include "session/settings.h"
#include "transport/tls_pins.h"
#include "ui/utf8_validator.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace zep {
namespace {

int Flag(const QCheckBox* box)
{
    return box->isChecked() ? 1 : 0;
}

QString PortText(int port)
{
    return QString::number(port);
}

} // namespace

// ---- General -----------------------------------------------------------------------------

CZEPOptionsGeneral::CZEPOptionsGeneral(OptionsHost& host, QWidget* parent)
    : COptionsPage(parent), m_host(host),
      m_launch(new QCheckBox(tr("&Launch ZEP Instant Messenger on startup"), this)),
      m_launchMail(new QCheckBox(tr("Launch &email client on startup"), this)),
      m_openMain(new QCheckBox(tr("&Open ZEP Instant Messenger main window on startup"), this)),
      m_autoLogon(new QCheckBox(tr("Enable automatic lo&gon"), this)),
      m_registered(new QRadioButton(tr("Use &registered email client"), this)),
      m_specified(new QRadioButton(tr("Use &specified email client"), this)),
      m_clients(new QComboBox(this))
{
    m_launch->setObjectName(QStringLiteral("run"));
    m_launchMail->setObjectName(QLatin1String(setting::AutoLaunchEmailClient));
    m_openMain->setObjectName(QLatin1String(setting::OpenMainWnd));
    m_autoLogon->setObjectName(QLatin1String(setting::AutoLogon));
    m_registered->setObjectName(QStringLiteral("emailmode0"));
    m_specified->setObjectName(QStringLiteral("emailmode1"));
    m_clients->setObjectName(QLatin1String(setting::EmailClient));
    m_clients->setEnabled(false);

    for (QCheckBox* box : {m_launch, m_launchMail, m_openMain, m_autoLogon})
        connect(box, &QCheckBox::toggled, this, &CZEPOptionsGeneral::Changed);
    connect(m_launch, &QCheckBox::toggled, this, [this] { EnforceStartupPair(m_launch); });
    connect(m_launchMail, &QCheckBox::toggled, this, [this] { EnforceStartupPair(m_launchMail); });
    connect(m_specified, &QRadioButton::toggled, this, [this](bool on) {
        m_clients->setEnabled(on);
        Changed();
    });
    connect(m_clients, &QComboBox::currentIndexChanged, this, &CZEPOptionsGeneral::Changed);

    auto* startGroup = new QGroupBox(tr("Startup"), this);
    auto* start = new QVBoxLayout(startGroup);
    for (QCheckBox* box : {m_launch, m_launchMail, m_openMain, m_autoLogon})
        start->addWidget(box);

    auto* mailGroup = new QGroupBox(tr("Email"), this);
    auto* mail = new QVBoxLayout(mailGroup);
    mail->addWidget(m_registered);
    mail->addWidget(m_specified);
    mail->addWidget(m_clients);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(startGroup);
    layout->addWidget(mailGroup);
    layout->addStretch(1);
}

void CZEPOptionsGeneral::EnforceStartupPair(QCheckBox* changed)
{
    // Launching the mail client at start-up needs the messenger to start with the desktop.
    // While the page fills its boxes, Load() applies the rule itself, from the autostart entry.
    if (m_filling && changed == m_launchMail)
        return;
    if (changed == m_launch && !m_launch->isChecked())
        m_launchMail->setChecked(false);
    else if (changed == m_launchMail && m_launchMail->isChecked())
        m_launch->setChecked(true);
}

void CZEPOptionsGeneral::Load()
{
    const Settings settings;
    m_launch->setChecked(TestRunValue(m_host.Executable()));
    m_launchMail->setChecked(settings.ReadInt(setting::AutoLaunchEmailClient, 0) != 0);
    EnforceStartupPair(m_launch);
    m_openMain->setChecked(settings.ReadInt(setting::OpenMainWnd, defaults::OpenMainWndInOptions) !=
                           0);
    m_autoLogon->setChecked(settings.ReadInt(setting::AutoLogon, defaults::AutoLogonInOptions) !=
                            0);

    MailClientList clients = m_host.MailClients();
    bool webMail = false;
    for (const MailClient& c : clients.clients) {
        if (c.name.empty() || c.id.empty())
            continue;
        m_clients->addItem(QString::fromStdString(c.name), QString::fromStdString(c.id));
        webMail = webMail || c.id == kWebMailClient;
    }
    // The webmail needs nothing installed, so it is offered whatever the desktop reports.
    if (!webMail)
        m_clients->addItem(QString::fromLatin1(kWebMailClient),
                           QString::fromLatin1(kWebMailClient));
    m_clients->setMaxVisibleItems(m_clients->count());

    const QString stored = settings.ReadText(setting::EmailClient);
    const QString wanted = stored.isEmpty() ? QString::fromStdString(clients.defaultId) : stored;
    int index = m_clients->findData(wanted);
    if (index < 0) // a value saved as the client's name
        index = m_clients->findText(wanted);
    m_clients->setCurrentIndex(index);

    const bool specified = settings.ReadInt(setting::EmailMode, 0) == 1;
    (specified ? m_specified : m_registered)->setChecked(true);
    m_clients->setEnabled(specified);
}

std::optional<OptionsRefusal> CZEPOptionsGeneral::Check() const
{
    if (m_specified->isChecked() && m_clients->currentIndex() < 0)
        return OptionsRefusal{tr("Select the email client to use, or choose \"Use registered "
                                 "email client\"."),
                              m_clients};
    return std::nullopt;
}

void CZEPOptionsGeneral::Apply(bool)
{
    if (!Loaded())
        return;
    EnforceStartupPair(m_launch);
    // The autostart entry comes first; when it cannot be written the rest of the start-up
    // choices would not match what happens at the next start, so they stay as they are.
    if (!SetRunValue(m_launch->isChecked(), m_host.Executable())) {
        m_autostartFailed = true;
        return;
    }
    Settings settings;
    settings.WriteInt(setting::OpenMainWnd, Flag(m_openMain));
    settings.WriteInt(setting::AutoLogon, Flag(m_autoLogon));
    settings.WriteInt(setting::AutoLaunchEmailClient, Flag(m_launchMail));
    settings.WriteInt(setting::EmailMode, m_specified->isChecked() ? 1 : 0);
    // With the registered client chosen, the stored choice is kept for when the user returns.
    if (m_specified->isChecked() && m_clients->currentIndex() >= 0)
        settings.WriteText(setting::EmailClient, m_clients->currentData().toString());
}

// ---- Account -----------------------------------------------------------------------------

CZEPOptionsAccount::CZEPOptionsAccount(QWidget* parent)
    : COptionsPage(parent), m_email(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_save(new QCheckBox(tr("&Save password"), this)), m_store(new QLabel(this))
{
    m_store->setObjectName(QStringLiteral("passwordstore"));
    m_store->setWordWrap(true);
    // The page opens at once; the note follows when the session bus has answered.
    saved_password::ProbeKeyring(saved_password::kDefaultLimit, this, [this](bool keyring) {
        m_store->setText(keyring ? tr("Saved in the desktop keyring.")
                                 : tr("No desktop keyring is running: the password is saved "
                                      "scrambled in the settings file."));
    });
    m_email->setObjectName(QLatin1String(setting::Email));
    m_password->setObjectName(QLatin1String(setting::Password));
    m_save->setObjectName(QLatin1String(setting::SavePassword));
    m_email->setMaxLength(256);
    m_password->setMaxLength(static_cast<int>(kMaxPasswordChars));
    m_password->setValidator(
        new Utf8LengthValidator(static_cast<int>(kMaxPasswordChars), m_password));
    m_password->setEchoMode(QLineEdit::Password);

    auto markChanged = [this] {
        if (m_filling)
            return;
        m_changed = true;
        Changed();
    };
    connect(m_email, &QLineEdit::textEdited, this, markChanged);
    connect(m_save, &QCheckBox::toggled, this, markChanged);
    connect(m_password, &QLineEdit::textEdited, this, [this, markChanged](const QString& text) {
        PasswordEdited(text);
        markChanged();
    });

    auto* group = new QGroupBox(tr("Account"), this);
    auto* form = new QFormLayout(group);
    form->addRow(tr("&Email address:"), m_email);
    form->addRow(tr("&Password:"), m_password);
    form->addRow(QString(), m_save);
    form->addRow(QString(), m_store);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch(1);
}

void CZEPOptionsAccount::PasswordEdited(const QString& text)
{
    m_passwordChanged = true;
    if (!m_placeholder)
        return;
    // The first keystroke replaces the placeholder: keep only what was typed or pasted into it.
    m_placeholder = false;
    const QString shown = QString::fromLatin1(kPlaceholder);
    qsizetype head = 0;
    while (head < text.size() && head < shown.size() && text[head] == shown[head])
        ++head;
    qsizetype tail = 0;
    while (tail < text.size() - head && tail < shown.size() - head &&
           text[text.size() - 1 - tail] == shown[shown.size() - 1 - tail])
        ++tail;
    const QString typed = text.mid(head, text.size() - head - tail);
    m_password->setText(typed);
    m_password->setCursorPosition(static_cast<int>(typed.size()));
}

void CZEPOptionsAccount::Load()
{
    const Settings settings;
    m_email->setText(settings.ReadText(setting::Email));
    const bool save = settings.ReadInt(setting::SavePassword, 0) != 0;
    m_save->setChecked(save);
    m_placeholder = save && saved_password::Present(settings);
    m_password->setText(m_placeholder ? QString::fromLatin1(kPlaceholder) : QString());
}

void CZEPOptionsAccount::Apply(bool)
{
    if (!Loaded())
        return;
    if (m_changed) {
        m_appliedChange = true;
        m_changed = false;
    }
    Settings settings;
    settings.WriteText(setting::Email, m_email->text());
    const bool save = m_save->isChecked();
    if (!save) {
        // Not saving the password means none is left behind, in the keyring or here.
        saved_password::Forget();
        if (m_placeholder) {
            m_placeholder = false;
            m_filling = true;
            m_password->clear();
            m_filling = false;
        }
    } else if (m_passwordChanged) {
        const QByteArray typed = m_password->text().toUtf8();
        if (typed.isEmpty())
            saved_password::Forget();
        else
            saved_password::Keep(std::string(typed.constData(), typed.size()),
                                 saved_password::kDefaultLimit);
    }
    m_passwordChanged = false;
    settings.WriteInt(setting::SavePassword, save ? 1 : 0);
}

QString CZEPOptionsAccount::StoreNote() const
{
    return m_store->text();
}

bool CZEPOptionsAccount::TakeChanged()
{
    return std::exchange(m_appliedChange, false);
}

// ---- Connection --------------------------------------------------------------------------

CZEPOptionsConnection::CZEPOptionsConnection(QWidget* parent)
    : COptionsPage(parent), m_server(new QLineEdit(this)), m_port(new QLineEdit(this)),
      m_sslPort(new QLineEdit(this)), m_useSsl(new QCheckBox(tr("Use secure &connection"), this)),
      m_useProxy(new QCheckBox(tr("&Use a HTTP proxy server"), this)),
      m_proxyServer(new QLineEdit(this)), m_proxyPort(new QLineEdit(this)),
      m_pinned(new QLabel(this)), m_forget(new QPushButton(tr("&Forget"), this))
{
    m_server->setObjectName(QLatin1String(setting::Server));
    m_pinned->setObjectName(QStringLiteral("pinnedcertificate"));
    m_forget->setObjectName(QStringLiteral("forgetcertificate"));
    m_pinned->setWordWrap(true);
    m_pinned->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_port->setObjectName(QLatin1String(setting::Port));
    m_sslPort->setObjectName(QLatin1String(setting::SslPort));
    m_useSsl->setObjectName(QLatin1String(setting::UseSsl));
    m_useProxy->setObjectName(QLatin1String(setting::UseProxy));
    m_proxyServer->setObjectName(QLatin1String(setting::ProxyServer));
    m_proxyPort->setObjectName(QLatin1String(setting::ProxyPort));
    m_server->setMaxLength(1023);
    m_proxyServer->setMaxLength(1023);
    for (QLineEdit* port : {m_port, m_sslPort, m_proxyPort}) {
        port->setMaxLength(6);
        port->setMaximumWidth(80);
    }

    auto markChanged = [this] {
        if (m_filling)
            return;
        m_changed = true;
        Changed();
    };
    for (QLineEdit* edit : {m_server, m_port, m_sslPort, m_proxyServer, m_proxyPort})
        connect(edit, &QLineEdit::textEdited, this, markChanged);
    for (QCheckBox* box : {m_useSsl, m_useProxy})
        connect(box, &QCheckBox::toggled, this, markChanged);
    // The proxy's address and port mean something only while the proxy is used.
    const auto followProxy = [this](bool used) {
        m_proxyServer->setEnabled(used);
        m_proxyPort->setEnabled(used);
    };
    connect(m_useProxy, &QCheckBox::toggled, this, followProxy);
    followProxy(m_useProxy->isChecked());

    auto* serverGroup = new QGroupBox(tr("Server"), this);
    auto* server = new QFormLayout(serverGroup);
    server->addRow(tr("Server &name:"), m_server);
    server->addRow(tr("&Port:"), m_port);
    server->addRow(tr("Secu&re port:"), m_sslPort);
    server->addRow(QString(), m_useSsl);

    auto* proxyGroup = new QGroupBox(tr("Proxy"), this);
    auto* proxy = new QFormLayout(proxyGroup);
    auto* note = new QLabel(tr("Your browser HTTP proxy settings will be used by default."), this);
    note->setWordWrap(true);
    proxy->addRow(note);
    proxy->addRow(QString(), m_useProxy);
    proxy->addRow(tr("&Address:"), m_proxyServer);
    proxy->addRow(tr("P&ort:"), m_proxyPort);

    // Forgetting is the one deliberate way to accept a server's new certificate.
    auto* trustGroup = new QGroupBox(tr("Trusted certificate"), this);
    auto* trust = new QHBoxLayout(trustGroup);
    trust->addWidget(m_pinned, 1);
    trust->addWidget(m_forget, 0, Qt::AlignTop);
    connect(m_forget, &QPushButton::clicked, this, &CZEPOptionsConnection::ForgetPin);
    for (QLineEdit* edit : {m_server, m_sslPort})
        connect(edit, &QLineEdit::textChanged, this, &CZEPOptionsConnection::ShowPin);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(serverGroup);
    layout->addWidget(proxyGroup);
    layout->addWidget(trustGroup);
    layout->addStretch(1);
    ShowPin();
}

void CZEPOptionsConnection::ShowPin()
{
    const std::string host = m_server->text().trimmed().toStdString();
    const std::optional<int> port = ParsePortField(m_sslPort->text(), defaults::SslPort);
    std::vector<TlsPin> pins;
    std::optional<std::string> pin;
    if (!host.empty() && port && LoadPins(DefaultTrustFile(), pins) == ImResult::Ok)
        pin = FindPin(pins, host, static_cast<std::uint16_t>(*port));
    m_pinned->setText(pin ? tr("SHA-256 %1").arg(QString::fromStdString(ColonFingerprint(*pin)))
                          : tr("None: the first certificate of this server is asked about."));
    m_forget->setEnabled(pin.has_value());
}

void CZEPOptionsConnection::ForgetPin()
{
    const std::string host = m_server->text().trimmed().toStdString();
    const std::optional<int> port = ParsePortField(m_sslPort->text(), defaults::SslPort);
    if (!host.empty() && port)
        zep::ForgetPin(DefaultTrustFile(), host, static_cast<std::uint16_t>(*port));
    ShowPin();
}

void CZEPOptionsConnection::Load()
{
    const Settings settings;
    m_server->setText(settings.ReadText(setting::Server));
    m_port->setText(PortText(settings.ServerPort(false)));
    m_sslPort->setText(PortText(settings.ServerPort(true)));
    m_useSsl->setChecked(settings.ReadInt(setting::UseSsl, 0) != 0);
    m_useProxy->setChecked(settings.ReadInt(setting::UseProxy, 0) != 0);
    m_proxyServer->setText(settings.ReadText(setting::ProxyServer));
    m_proxyPort->setText(PortText(settings.ProxyPort()));
}

std::optional<OptionsRefusal> CZEPOptionsConnection::Check() const
{
    for (QLineEdit* port : {m_port, m_sslPort, m_proxyPort}) {
        // A field the user cannot reach cannot be what stops OK.
        if (port->isEnabled() && !ParsePortField(port->text(), 1))
            return OptionsRefusal{tr("Enter a port number from 1 to 65535, or leave the field "
                                     "empty for the default port."),
                                  port};
    }
    return std::nullopt;
}

void CZEPOptionsConnection::Apply(bool)
{
    if (!Loaded())
        return;
    if (m_changed) {
        m_appliedChange = true;
        m_changed = false;
    }
    Settings settings;
    settings.WriteText(setting::Server, m_server->text().trimmed());
    // Check() has accepted the ports; the fallbacks only cover a page applied without it.
    settings.WriteInt(setting::Port,
                      ParsePortField(m_port->text(), defaults::Port).value_or(defaults::Port));
    settings.WriteInt(
        setting::SslPort,
        ParsePortField(m_sslPort->text(), defaults::SslPort).value_or(defaults::SslPort));
    settings.WriteInt(setting::UseSsl, Flag(m_useSsl));
    settings.WriteInt(setting::UseProxy, Flag(m_useProxy));
    settings.WriteText(setting::ProxyServer, m_proxyServer->text().trimmed());
    settings.WriteInt(
        setting::ProxyPort,
        ParsePortField(m_proxyPort->text(), defaults::ProxyPort).value_or(defaults::ProxyPort));
    // An empty or 0 field stored the default: show what the next logon will use.
    m_filling = true;
    m_port->setText(PortText(settings.ServerPort(false)));
    m_sslPort->setText(PortText(settings.ServerPort(true)));
    m_proxyPort->setText(PortText(settings.ProxyPort()));
    m_filling = false;
}

bool CZEPOptionsConnection::TakeChanged()
{
    return std::exchange(m_appliedChange, false);
}

} // namespace zep
