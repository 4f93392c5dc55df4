#include "app/logon_dialog.h"

#include "session/password_scramble.h"
#include "ui/display_texts.h"
#include "ui/help.h"
#include "ui/utf8_validator.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep {

LogonDialog::LogonDialog(const QString& address, bool savePassword, QWidget* parent)
    : QDialog(parent), m_address(new QLineEdit(this)), m_password(new QLineEdit(this)),
      m_save(new QCheckBox(tr("&Save password"), this))
{
    setWindowTitle(tr("Logon - %1").arg(text::AppTitle()));
    setObjectName(QStringLiteral("LogonDialog"));

    auto* intro = new QLabel(tr("Enter your full email address and your password."), this);
    intro->setWordWrap(true);

    m_address->setMaxLength(256);
    m_address->setText(address.left(256));
    m_password->setMaxLength(static_cast<int>(kMaxPasswordChars));
    m_password->setValidator(
        new Utf8LengthValidator(static_cast<int>(kMaxPasswordChars), m_password));
    m_password->setEchoMode(QLineEdit::Password);
    m_save->setChecked(savePassword);

    auto* form = new QFormLayout;
    form->addRow(tr("&Email address:"), m_address);
    form->addRow(tr("&Password:"), m_password);
    form->addRow(QString(), m_save);

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [] { ShowHelp(helpctx::LogonDialog); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);
    setMinimumWidth(340);
}

void LogonDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_address->text().isEmpty())
        m_address->setFocus();
    else
        m_password->setFocus();
}

} // namespace zep
