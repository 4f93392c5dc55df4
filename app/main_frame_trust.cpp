// The frame's side of server certificates: the "Trust this server?" question for a certificate
// met for the first time, the warning for a changed one, and the logon that follows a "Yes".
#include "app/main_frame.h"

#include "session/client_connection.h"
#include "transport/log_writer.h"
#include "transport/tls_pins.h"
#include "ui/display_texts.h"

#include <QShowEvent>

namespace zep {

namespace {

QString ServerName(const TlsPeerTrust& trust)
{
    return QString::fromStdString(trust.host) + QLatin1Char(':') + QString::number(trust.port);
}

} // namespace

void CMainFrame::OnCertificate(MessageId id, std::intptr_t wParam, std::intptr_t lParam)
{
    const ViewKind expected = wParam != 0 ? ViewKind::Logon : ViewKind::Signon;
    if (m_viewKind != expected || static_cast<std::uint64_t>(lParam) != m_generation)
        return;
    TrustQuestion question{id == uwm::CertificateChanged(), wParam != 0, m_connection.PeerTrust()};
    if (m_viewKind != ViewKind::Logon)
        SwitchView(ViewKind::Logon);
    m_connection.Disconnect();
    // No retry meanwhile: every attempt would meet the same certificate. One question at a
    // time; the one already up stands for this server.
    if (m_trustBox)
        return;
    m_trustWaiting = std::move(question);
    // A background logon asks once the user can see the window it belongs to.
    if (isVisible() && !isMinimized())
        AskTrust();
}

void CMainFrame::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    AskWaitingTrustSoon();
}

void CMainFrame::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    // A window restored from the task bar is not shown anew.
    if (event->type() == QEvent::WindowStateChange && !isMinimized())
        AskWaitingTrustSoon();
}

void CMainFrame::AskWaitingTrustSoon()
{
    if (!m_trustWaiting || m_trustBox)
        return;
    // After the window is up, so the window-modal box has a window to sit on.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_trustWaiting && !m_trustBox && !m_shutDown && isVisible() && !isMinimized())
                AskTrust();
        },
        Qt::QueuedConnection);
}

void CMainFrame::AskTrust()
{
    TrustQuestion question = std::move(*m_trustWaiting);
    m_trustWaiting.reset();
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
        OnTrustAnswer(question, box->clickedButton() == box->button(QMessageBox::Yes));
    });
    box->open();
    emit messageShown(box->text());
}

void CMainFrame::OnTrustAnswer(const TrustQuestion& question, bool trusted)
{
    if (m_shutDown)
        return;
    const QString server = ServerName(question.trust);
    if (question.changed || !trusted) {
        // Trying again would only meet the same certificate.
        m_autoReconnect = false;
        if (!question.changed)
            ShowMessage(text::CertificateNotTrusted(server));
        return;
    }
    const std::string file = DefaultTrustFile();
    const ImResult pinned = PinCertificate(file, question.trust.host, question.trust.port,
                                           question.trust.certificate.sha256);
    if (pinned != ImResult::Ok) {
        m_autoReconnect = false;
        ShowMessage(text::CertificateNotPinned(QString::fromStdString(file)));
        return;
    }
    LogWriteIf(ZepimLog(), kLogProgress, 99999, "Trusted the certificate %s of %s:%u.",
               question.trust.certificate.sha256.c_str(), question.trust.host.c_str(),
               question.trust.port);
    if (m_viewKind != ViewKind::Logon)
        return;
    if (question.fromReconnect) {
        // As the reconnect itself would have: the saved logon, or the dialog.
        PostRegisteredMessage(this, uwm::Logon(), 0, 0);
        return;
    }
    m_autoReconnect = true;
    SwitchView(ViewKind::Signon);
}

} // namespace zep
