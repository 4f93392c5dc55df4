#include "contacts/status_menu.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zep::contacts {

void BuildStatusMenu(QMenu& menu, PresenceStatus status, SubStatus subStatus)
{
    for (const StatusChoice& c : StatusChoices()) {
        // The status names are those of the display texts, translated there.
        const QByteArray name = QString::fromStdU16String(c.text).toUtf8();
        QAction* action = menu.addAction(QCoreApplication::translate("zep", name.constData()));
        action->setData(c.commandId);
        // Only the current entry carries a mark; the others stay plain.
        const bool current = c.status == status &&
                             (status == PresenceStatus::Unavailable || c.subStatus == subStatus);
        action->setCheckable(current);
        action->setChecked(current);
    }
    menu.addSeparator();
    QAction* custom = menu.addAction(QCoreApplication::translate("zep", "Custom Status..."));
    custom->setData(command::CustomStatus);
}

int MenuCommand(const QAction* action)
{
    return action == nullptr ? 0 : action->data().toInt();
}

CCustomStatus::CCustomStatus(const QString& current, QWidget* parent)
    : QDialog(parent), m_edit(new QLineEdit(this)), m_reset(new QPushButton(tr("Reset"), this)),
      m_ok(new QPushButton(tr("OK"), this)), m_cancel(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(tr("Custom Status"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setModal(false);
    m_edit->setMaxLength(kCustomStatusMaxLength);
    m_edit->setText(current.left(kCustomStatusMaxLength));
    m_edit->setMinimumWidth(260);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_reset);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Custom Status:"), this));
    layout->addWidget(m_edit);
    layout->addLayout(buttons);

    m_ok->setDefault(true);
    m_ok->setEnabled(!m_edit->text().isEmpty());
    connect(m_edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_ok->setEnabled(!text.isEmpty()); });
    connect(m_ok, &QPushButton::clicked, this, [this] { Finish(command::CustomOk); });
    connect(m_reset, &QPushButton::clicked, this, [this] { Finish(command::CustomReset); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { Finish(command::CustomCancel); });
    connect(m_edit, &QLineEdit::returnPressed, this, [this] {
        if (m_ok->isEnabled())
            Finish(command::CustomOk);
    });
}

QString CCustomStatus::Text() const
{
    return m_edit->text();
}

void CCustomStatus::reject()
{
    Finish(command::CustomCancel);
}

void CCustomStatus::Finish(int commandId)
{
    if (m_finished)
        return;
    m_finished = true;
    const QString text = commandId == command::CustomOk ? Text() : QString();
    hide();
    if (QWidget* owner = parentWidget()) {
        owner->activateWindow();
        owner->raise();
    }
    deleteLater();
    emit Command(commandId, text);
}

} // namespace zep::contacts
