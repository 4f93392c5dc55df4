// Display texts of the own-status names and the contact methods, loaded once at start-up.
#pragma once

#include "common/im_result.h"

#include <QString>
#include <QStringList>

namespace zep {

struct DisplayTexts
{
    // "Online", "Offline", "Do not disturb", "Back soon", "Away", "Phone", "Lunch", "Meeting",
    // "Email"
    QStringList statusNames;
    // "Home SMS" ... "Work Fax", in contact-method order
    QStringList contactMethodNames;
};

// Loads the texts (translated when a translation is installed); call on the UI thread.
void LoadDisplayTexts();
const DisplayTexts& Texts();

// The fixed texts of the logon lifecycle.
namespace text {
QString AppTitle();      // "ZEP Instant Messenger"
QString LogonFailed();   // the server refused the address and password
QString ConnectFailed(); // no connection to the server
// A connect or logon refused here for the user's safety (`trustFile` names the pins' file).
QString Refusal(ImResult why, const QString& trustFile);
QString IncompatibleVersion(); // the server speaks another protocol version
QString SignedOff();           // signed on from a different location
QString TrayTip(bool loggedOn);
// "%d unread messages": the tray's tip while messages are unread.
QString UnreadMessages(int count);
QString ClickToLogon();
QString LoggingOn();
QString TrustQuestion(); // "Trust this server?"
// The server, the certificate's subject, issuer and fingerprint, and why it needs a decision.
QString CertificateDetails(const QString& server, const QString& subject, const QString& issuer,
                           const QString& fingerprint, const QString& reason);
QString CertificateNotTrusted(const QString& server); // the user said No
QString CertificateChanged(const QString& server, const QString& pinned, const QString& presented);
QString CertificateNotPinned(const QString& file); // the trust file could not be written
} // namespace text

} // namespace zep
