// The frame's side of server certificates: the "Trust this server?" question for a certificate
// met for the first time and the warning for a changed one, both asked for the logon lifecycle,
// which decides what follows the answer.
#include "app/main_frame.h"

#include "ui/display_texts.h"

#include <QShowEvent>

namespace zep {

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    m_lifecycle.AskWaitingTrustSoon();
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A window restored from the task bar is not shown anew.
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        m_lifecycle.AskWaitingTrustSoon();
}

void CMainFrame::AskTrust(const TrustQuestion& question)
{
    const TlsPeerTrust& t = question.trust;
    const QString server = ServerName(t);
    QMessageBox* box = nullptr;
    if (question.changed) {
        box =
            new QMessageBox(QMessageBox::Warning, text::AppTitle(),
                            text::CertificateChanged(server, QString::fromStdString(t.expected),
                                                     QString::fromStdString(t.certificate.sha256)),
                            QMessageBox::Ok, this);
    } else {
        box = new QMessageBox(QMessageBox::Question, text::AppTitle(), text::TrustQuestion(),
                              QMessageBox::Yes | QMessageBox::No, this);
        box->setInformativeText(text::CertificateDetails(
            server, QString::fromStdString(t.certificate.subject),
            QString::fromStdString(t.certificate.issuer),
            QString::fromStdString(t.certificate.sha256), QString::fromStdString(t.systemReason)));
        // Enter must not trust a certificate by accident.
        box->setDefaultButton(QMessageBox::No);
    }
    box->setObjectName(QStringLiteral("ZepTrustBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    m_trustBox = box;
    connect(box, &QMessageBox::finished, this, [this, box, question](int) {
        m_lifecycle.OnTrustAnswer(question, box->clickedButton() == box->button(QMessageBox::Yes));
    });
    // The next question may come once this box is gone.
    connect(box, &QObject::destroyed, &m_lifecycle, &LogonLifecycle::TrustQuestionClosed);
    box->open();
    emit messageShown(box->text());
}

} // namespace zep
