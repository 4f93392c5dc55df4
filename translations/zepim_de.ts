<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
    <context>
        <name>QFontDialog</name>
        <message>
            <source>Co&amp;lor...</source>
            <translation>&amp;Farbe...</translation>
        </message>
    </context>
    <context>
        <name>QMenuBar</name>
        <message>
            <source>&amp;Edit</source>
            <translation>&amp;Bearbeiten</translation>
        </message>
        <message>
            <source>&amp;Undo</source>
            <translation>&amp;Rückgängig</translation>
        </message>
        <message>
            <source>Cu&amp;t</source>
            <translation>&amp;Ausschneiden</translation>
        </message>
        <message>
            <source>&amp;Copy</source>
            <translation>&amp;Kopieren</translation>
        </message>
        <message>
            <source>&amp;Paste</source>
            <translation>&amp;Einfügen</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <translation>&amp;Löschen</translation>
        </message>
        <message>
            <source>&amp;Select All</source>
            <translation>Alles &amp;markieren</translation>
        </message>
    </context>
    <context>
        <name>QMessageBox</name>
        <message>
            <source>ZEP Instant Messenger</source>
            <translation>ZEP Instant Messenger</translation>
        </message>
    </context>
    <context>
        <name>QObject</name>
        <message>
            <source>%1
Version %2</source>
            <translation>%1
Version %2</translation>
        </message>
        <message>
            <source>The message is too large. Please use a smaller message.</source>
            <translation>Die Nachricht ist zu groß. Bitte senden Sie eine kürzere Nachricht.</translation>
        </message>
        <message>
            <source>Failed to send message - content unacceptable.</source>
            <translation>Die Nachricht konnte nicht gesendet werden - Inhalt nicht zulässig.</translation>
        </message>
        <message>
            <source>Failed to send message.</source>
            <translation>Die Nachricht konnte nicht gesendet werden.</translation>
        </message>
        <message>
            <source>'%1' has already joined the conversation</source>
            <translation>'%1' nimmt bereits an der Unterhaltung teil</translation>
        </message>
        <message>
            <source>You can not send an instant message to a contact with a different character set.</source>
            <translation>Sie können einem Kontakt mit einem anderen Zeichensatz keine Sofortnachricht senden.</translation>
        </message>
        <message>
            <source>Failed to invite '%1'.</source>
            <translation>'%1' konnte nicht eingeladen werden.</translation>
        </message>
    </context>
    <context>
        <name>zep</name>
        <message>
            <source>Online</source>
            <translation>Online</translation>
        </message>
        <message>
            <source>Offline</source>
            <translation>Offline</translation>
        </message>
        <message>
            <source>Do not disturb</source>
            <translation>Nicht stören</translation>
        </message>
        <message>
            <source>Back soon</source>
            <translation>Bin gleich zurück</translation>
        </message>
        <message>
            <source>Away</source>
            <translation>Abwesend</translation>
        </message>
        <message>
            <source>Phone</source>
            <translation>Am Telefon</translation>
        </message>
        <message>
            <source>Lunch</source>
            <translation>Mittagspause</translation>
        </message>
        <message>
            <source>Meeting</source>
            <translation>In einer Besprechung</translation>
        </message>
        <message>
            <source>Email</source>
            <translation>E-Mail</translation>
        </message>
        <message>
            <source>Home SMS</source>
            <translation>SMS privat</translation>
        </message>
        <message>
            <source>Work SMS</source>
            <translation>SMS geschäftlich</translation>
        </message>
        <message>
            <source>Work Pager</source>
            <translation>Pager geschäftlich</translation>
        </message>
        <message>
            <source>Home Tel</source>
            <translation>Telefon privat</translation>
        </message>
        <message>
            <source>Work Tel</source>
            <translation>Telefon geschäftlich</translation>
        </message>
        <message>
            <source>Home Mobile</source>
            <translation>Mobil privat</translation>
        </message>
        <message>
            <source>Work Mobile</source>
            <translation>Mobil geschäftlich</translation>
        </message>
        <message>
            <source>Home Fax</source>
            <translation>Fax privat</translation>
        </message>
        <message>
            <source>Work Fax</source>
            <translation>Fax geschäftlich</translation>
        </message>
        <message>
            <source>ZEP Instant Messenger</source>
            <translation>ZEP Instant Messenger</translation>
        </message>
        <message>
            <source>You could not be logged on. Please ensure that you have entered your full address and password correctly. Note that passwords are case sensitive.</source>
            <translation>Sie konnten nicht angemeldet werden. Bitte prüfen Sie, ob Sie Ihre vollständige Adresse und Ihr Kennwort richtig eingegeben haben. Beachten Sie, dass bei Kennwörtern Groß- und Kleinschreibung unterschieden wird.</translation>
        </message>
        <message>
            <source>Failed to connect to server. Please ensure that you have entered the server details correctly.</source>
            <translation>Die Verbindung zum Server ist fehlgeschlagen. Bitte prüfen Sie, ob Sie die Serverangaben richtig eingegeben haben.</translation>
        </message>
        <message>
            <source>Incompatible version. Please update your ZEP Instant Messenger software.</source>
            <translation>Inkompatible Version. Bitte aktualisieren Sie Ihre ZEP Instant Messenger-Software.</translation>
        </message>
        <message>
            <source>Signed off %1 because you signed on from a different location</source>
            <translation>%1 wurde abgemeldet, weil Sie sich an einem anderen Ort angemeldet haben</translation>
        </message>
        <message>
            <source>Logged On</source>
            <translation>Angemeldet</translation>
        </message>
        <message>
            <source>Not Logged On</source>
            <translation>Nicht angemeldet</translation>
        </message>
        <message>
            <source>Click here to logon</source>
            <translation>Hier klicken, um sich anzumelden</translation>
        </message>
        <message>
            <source>Logging on...</source>
            <translation>Anmeldung läuft...</translation>
        </message>
        <message>
            <source>Custom Status...</source>
            <translation>Eigener Status...</translation>
        </message>
        <message>
            <source>My Status:</source>
            <translation>Mein Status:</translation>
        </message>
        <message>
            <source>Conversation</source>
            <translation>Unterhaltung</translation>
        </message>
        <message>
            <source> - Conversation</source>
            <translation> - Unterhaltung</translation>
        </message>
        <message>
            <source>&lt;All participants have left the conversation&gt;</source>
            <translation>&lt;Alle Teilnehmer haben die Unterhaltung verlassen&gt;</translation>
        </message>
        <message>
            <source>No recent email messages</source>
            <translation>Keine neuen E-Mail-Nachrichten</translation>
        </message>
        <message>
            <source>You have %1 recent email messages</source>
            <translation>Sie haben %1 neue E-Mail-Nachrichten</translation>
        </message>
    </context>
    <context>
        <name>zep::CDesktopNotifications</name>
        <message>
            <source>Open</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CMainFrame</name>
        <message>
            <source>The connection to the server was lost</source>
            <translation>Die Verbindung zum Server wurde unterbrochen</translation>
        </message>
        <message>
            <source>You were signed off because you signed on from a different location</source>
            <translation>Sie wurden abgemeldet, weil Sie sich an einem anderen Ort angemeldet haben</translation>
        </message>
        <message>
            <source>You logged off</source>
            <translation>Sie haben sich abgemeldet</translation>
        </message>
        <message>
            <source>&amp;File</source>
            <translation>&amp;Datei</translation>
        </message>
        <message>
            <source>Log &amp;In</source>
            <translation>&amp;Anmelden</translation>
        </message>
        <message>
            <source>Log &amp;Out</source>
            <translation>A&amp;bmelden</translation>
        </message>
        <message>
            <source>&amp;Close</source>
            <translation>&amp;Schließen</translation>
        </message>
        <message>
            <source>&amp;Contacts</source>
            <translation>&amp;Kontakte</translation>
        </message>
        <message>
            <source>&amp;Add a contact...</source>
            <translation>Kontakt &amp;hinzufügen...</translation>
        </message>
        <message>
            <source>&amp;Delete a contact...</source>
            <translation>Kontakt &amp;löschen...</translation>
        </message>
        <message>
            <source>&amp;Tools</source>
            <translation>&amp;Extras</translation>
        </message>
        <message>
            <source>&amp;Options...</source>
            <translation>&amp;Optionen...</translation>
        </message>
        <message>
            <source>&amp;Help</source>
            <translation>&amp;Hilfe</translation>
        </message>
        <message>
            <source>&amp;Contents</source>
            <translation>&amp;Inhalt</translation>
        </message>
        <message>
            <source>&amp;Search</source>
            <translation>&amp;Suchen</translation>
        </message>
        <message>
            <source>&amp;Index</source>
            <translation>In&amp;dex</translation>
        </message>
        <message>
            <source>&amp;About ZEP Instant Messenger...</source>
            <translation>&amp;Über ZEP Instant Messenger...</translation>
        </message>
        <message>
            <source>My Status</source>
            <translation>Mein Status</translation>
        </message>
        <message>
            <source>Log In</source>
            <translation>Anmelden</translation>
        </message>
        <message>
            <source>Log Out</source>
            <translation>Abmelden</translation>
        </message>
        <message>
            <source>Open %1</source>
            <translation>%1 öffnen</translation>
        </message>
        <message>
            <source>Exit</source>
            <translation>Beenden</translation>
        </message>
    </context>
    <context>
        <name>zep::CWizFinish</name>
        <message>
            <source>You have entered all the information to setup your account.

To save these settings, click Finish.</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CWizOptions</name>
        <message>
            <source>Choose your startup preferences.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Launch automatically on startup</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Open main window when ZEP Instant Messenger starts</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Enable automatic &amp;logon</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CWizServer</name>
        <message>
            <source>Enter the ZEP server name.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Use secure &amp;connection</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Server name:</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CWizSetup</name>
        <message>
            <source>ZEP Instant Messenger Setup Wizard</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>ZEP Instant Messenger setup is not complete.

Are you sure you want to exit the wizard?</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CWizUser</name>
        <message>
            <source>Enter your email address and password.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Save password</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Email address:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Password:</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsAccount</name>
        <message>
            <source>&amp;Save password</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Account</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Email address:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Password:</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsConnection</name>
        <message>
            <source>Use secure &amp;connection</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Use a HTTP proxy server</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Server</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Server &amp;name:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Port:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Secu&amp;re port:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Proxy</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Your browser HTTP proxy settings will be used by default.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Address:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>P&amp;ort:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Enter a port number from 1 to 65535, or leave the field empty for the default port.</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsDialog</name>
        <message>
            <source>Message</source>
            <translation type="unfinished">Nachricht</translation>
        </message>
        <message>
            <source>Options</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Personal</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>General</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Account</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Connection</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Some of the changes you have made will not take effect until the next time you logon.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>The startup settings could not be changed.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Your presence settings could not be saved on the server.</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsGeneral</name>
        <message>
            <source>Email</source>
            <translation type="unfinished">E-Mail</translation>
        </message>
        <message>
            <source>&amp;Launch ZEP Instant Messenger on startup</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Launch &amp;email client on startup</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Open ZEP Instant Messenger main window on startup</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Enable automatic lo&amp;gon</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Use &amp;registered email client</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Use &amp;specified email client</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Startup</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Select the email client to use, or choose "Use registered email client".</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsMessage</name>
        <message>
            <source>Change &amp;Font...</source>
            <translation type="unfinished">Schrift&amp;art ändern...</translation>
        </message>
        <message>
            <source>Font</source>
            <translation type="unfinished">Schrift</translation>
        </message>
        <message>
            <source>Email instant message &amp;transcripts</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Send message when the &amp;enter key is pressed</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Show a desktop &amp;notification when a message arrives</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Settings</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Change the font used to send instant messages</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsPersonal</name>
        <message>
            <source>Logged On</source>
            <translation type="unfinished">Angemeldet</translation>
        </message>
        <message>
            <source>Not Logged On</source>
            <translation type="unfinished">Nicht angemeldet</translation>
        </message>
        <message>
            <source>My Status</source>
            <translation type="unfinished">Mein Status</translation>
        </message>
        <message>
            <source>Show my use of &amp;email</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Show &amp;calendar entries as</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Show &amp;location</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Show my use of e&amp;mail</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Show calen&amp;dar entries as</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Show &amp;preferred contact method as</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>My default &amp;status</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Show as &amp;away after inactive for</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>minutes</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::CZepimApp</name>
        <message>
            <source>ZEP Instant Messenger cannot start: %1.</source>
            <translation>ZEP Instant Messenger kann nicht starten: %1.</translation>
        </message>
    </context>
    <context>
        <name>zep::CZepimView</name>
        <message>
            <source>Send Instant Message</source>
            <translation>Sofortnachricht senden</translation>
        </message>
        <message>
            <source>Send SMS Message</source>
            <translation>SMS senden</translation>
        </message>
        <message>
            <source>Send Pager Message</source>
            <translation>Pager-Nachricht senden</translation>
        </message>
        <message>
            <source>Send Email</source>
            <translation>E-Mail senden</translation>
        </message>
        <message>
            <source>Block</source>
            <translation>Blockieren</translation>
        </message>
        <message>
            <source>Delete Contact</source>
            <translation>Kontakt löschen</translation>
        </message>
        <message>
            <source>Are you sure you want to delete this contact?</source>
            <translation>Möchten Sie diesen Kontakt wirklich löschen?</translation>
        </message>
        <message>
            <source>Failed to remove '%1' from your contact list.</source>
            <translation>'%1' konnte nicht aus Ihrer Kontaktliste entfernt werden.</translation>
        </message>
        <message>
            <source>You have no contacts.</source>
            <translation>Sie haben keine Kontakte.</translation>
        </message>
        <message>
            <source>Delete a contact</source>
            <translation>Kontakt löschen</translation>
        </message>
        <message>
            <source>You can not send an instant message to a contact with a different character set.</source>
            <translation>Sie können einem Kontakt mit einem anderen Zeichensatz keine Sofortnachricht senden.</translation>
        </message>
        <message>
            <source>Failed to send message.</source>
            <translation>Die Nachricht konnte nicht gesendet werden.</translation>
        </message>
        <message>
            <source>'%1' has been successfully added to your block list. You will not receive any messages from this user.</source>
            <translation>'%1' wurde Ihrer Sperrliste hinzugefügt. Sie erhalten keine Nachrichten mehr von diesem Benutzer.</translation>
        </message>
        <message>
            <source>Failed to block '%1'.</source>
            <translation>'%1' konnte nicht blockiert werden.</translation>
        </message>
        <message>
            <source>The conversation has ended</source>
            <translation>Die Unterhaltung ist beendet</translation>
        </message>
    </context>
    <context>
        <name>zep::LogonDialog</name>
        <message>
            <source>&amp;Save password</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Logon - %1</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Enter your full email address and your password.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Email address:</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Password:</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactListPage</name>
        <message>
            <source>Search results.</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactPage</name>
        <message>
            <source>Logo</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactSearchPage</name>
        <message>
            <source>Search for email address matching</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactSheet</name>
        <message>
            <source>Cancel</source>
            <translation type="unfinished">Abbrechen</translation>
        </message>
        <message>
            <source>'%1' has been successfully added to your contact list.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>'%1' has already been added to your contact list.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Failed to add '%1' to your contact list.</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&lt; &amp;Back</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>&amp;Next &gt;</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Finish</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Add a contact</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::contacts::CContactDialog</name>
        <message>
            <source>OK</source>
            <translation type="unfinished">OK</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation type="unfinished">Abbrechen</translation>
        </message>
        <message>
            <source>Help</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Invite Contact</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Contacts</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::contacts::CCustomStatus</name>
        <message>
            <source>Reset</source>
            <translation>Zurücksetzen</translation>
        </message>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Abbrechen</translation>
        </message>
        <message>
            <source>Custom Status</source>
            <translation>Eigener Status</translation>
        </message>
        <message>
            <source>Custom Status:</source>
            <translation>Eigener Status:</translation>
        </message>
    </context>
    <context>
        <name>zep::conversations::COfflineMessageWindow</name>
        <message>
            <source>To</source>
            <translation type="unfinished">An</translation>
        </message>
        <message>
            <source>Message</source>
            <translation type="unfinished">Nachricht</translation>
        </message>
        <message>
            <source>Send</source>
            <translation type="unfinished">Senden</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation type="unfinished">Abbrechen</translation>
        </message>
        <message>
            <source>&amp;File</source>
            <translation type="unfinished">&amp;Datei</translation>
        </message>
        <message>
            <source>&amp;Close</source>
            <translation type="unfinished">&amp;Schließen</translation>
        </message>
        <message>
            <source>&amp;Help</source>
            <translation type="unfinished">&amp;Hilfe</translation>
        </message>
        <message>
            <source>&amp;Contents</source>
            <translation type="unfinished">&amp;Inhalt</translation>
        </message>
        <message>
            <source>&amp;Search</source>
            <translation type="unfinished">&amp;Suchen</translation>
        </message>
        <message>
            <source>&amp;Index</source>
            <translation type="unfinished">In&amp;dex</translation>
        </message>
        <message>
            <source>&amp;About ZEP Instant Messenger...</source>
            <translation type="unfinished">&amp;Über ZEP Instant Messenger...</translation>
        </message>
        <message>
            <source>From</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Subject</source>
            <translation type="unfinished" />
        </message>
        <message>
            <source>Remaining</source>
            <translation type="unfinished" />
        </message>
    </context>
    <context>
        <name>zep::conversations::CRichEditCtrlEx</name>
        <message>
            <source>Undo</source>
            <translation>Rückgängig</translation>
        </message>
        <message>
            <source>Cut</source>
            <translation>Ausschneiden</translation>
        </message>
        <message>
            <source>Copy</source>
            <translation>Kopieren</translation>
        </message>
        <message>
            <source>Paste</source>
            <translation>Einfügen</translation>
        </message>
        <message>
            <source>Delete</source>
            <translation>Löschen</translation>
        </message>
        <message>
            <source>Select All</source>
            <translation>Alles markieren</translation>
        </message>
    </context>
    <context>
        <name>zep::conversations::MessageWindow</name>
        <message>
            <source>session timeout</source>
            <translation>Sitzung abgelaufen</translation>
        </message>
        <message>
            <source>Failed to send message to '%1' - content unacceptable</source>
            <translation>Die Nachricht an '%1' konnte nicht gesendet werden - Inhalt nicht zulässig</translation>
        </message>
        <message>
            <source>Failed to send message to '%1'</source>
            <translation>Die Nachricht an '%1' konnte nicht gesendet werden</translation>
        </message>
        <message>
            <source>All your online contacts have already been added to this conversation.</source>
            <translation>Alle Ihre Kontakte, die online sind, nehmen bereits an dieser Unterhaltung teil.</translation>
        </message>
        <message>
            <source>Invite</source>
            <translation>Einladen</translation>
        </message>
        <message>
            <source>All participants are already in your block list.</source>
            <translation>Alle Teilnehmer sind bereits in Ihrer Sperrliste.</translation>
        </message>
        <message>
            <source>Block</source>
            <translation>Blockieren</translation>
        </message>
        <message>
            <source>To</source>
            <translation>An</translation>
        </message>
        <message>
            <source>Conversation history</source>
            <translation>Verlauf der Unterhaltung</translation>
        </message>
        <message>
            <source>Font</source>
            <translation>Schrift</translation>
        </message>
        <message>
            <source>Select a font or text color</source>
            <translation>Schriftart oder Textfarbe wählen</translation>
        </message>
        <message>
            <source>Message</source>
            <translation>Nachricht</translation>
        </message>
        <message>
            <source>Send</source>
            <translation>Senden</translation>
        </message>
        <message>
            <source>&amp;File</source>
            <translation>&amp;Datei</translation>
        </message>
        <message>
            <source>&amp;Close</source>
            <translation>&amp;Schließen</translation>
        </message>
        <message>
            <source>Change &amp;Font...</source>
            <translation>Schrift&amp;art ändern...</translation>
        </message>
        <message>
            <source>&amp;Actions</source>
            <translation>&amp;Aktionen</translation>
        </message>
        <message>
            <source>&amp;Invite</source>
            <translation>&amp;Einladen</translation>
        </message>
        <message>
            <source>&amp;Block</source>
            <translation>&amp;Blockieren</translation>
        </message>
        <message>
            <source>&amp;Help</source>
            <translation>&amp;Hilfe</translation>
        </message>
        <message>
            <source>&amp;Contents</source>
            <translation>&amp;Inhalt</translation>
        </message>
        <message>
            <source>&amp;Search</source>
            <translation>&amp;Suchen</translation>
        </message>
        <message>
            <source>&amp;Index</source>
            <translation>In&amp;dex</translation>
        </message>
        <message>
            <source>&amp;About ZEP Instant Messenger...</source>
            <translation>&amp;Über ZEP Instant Messenger...</translation>
        </message>
    </context>
</TS>
