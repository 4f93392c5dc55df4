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
        <message>
            <source>About %1</source>
            <translation>Über %1</translation>
        </message>
        <message>
            <source>Version %1</source>
            <translation>Version %1</translation>
        </message>
        <message>
            <source>Built with Qt %1, running on Qt %2</source>
            <translation>Erstellt mit Qt %1, läuft mit Qt %2</translation>
        </message>
        <message>
            <source>Copyright © Corvane. All rights reserved. Licensed to the users of your mail server's messaging service; not for redistribution.</source>
            <translation>Copyright © Corvane. Alle Rechte vorbehalten. Lizenziert für die Benutzer des Nachrichtendienstes Ihres Mailservers; Weitergabe nicht gestattet.</translation>
        </message>
        <message>
            <source>The help pages are not installed.</source>
            <translation>Die Hilfeseiten sind nicht installiert.</translation>
        </message>
        <message>
            <source>The help could not be opened: no program is set up to open web pages.

The pages are in %1.</source>
            <translation>Die Hilfe konnte nicht geöffnet werden: Kein Programm ist zum Öffnen von Webseiten eingerichtet.

Die Seiten liegen in %1.</translation>
        </message>
    </context>
    <context>
        <name>zep</name>
        <message>
            <source>The server asked for a less secure log-on than before.</source>
            <translation>Der Server hat eine weniger sichere Anmeldung als bisher verlangt.</translation>
        </message>
        <message>
            <source>The list of trusted server certificates cannot be read (%1), so the server's certificate cannot be checked. Make the file readable, or remove it to start a new list.</source>
            <translation>Die Liste der vertrauenswürdigen Serverzertifikate kann nicht gelesen werden (%1), daher lässt sich das Zertifikat des Servers nicht prüfen. Machen Sie die Datei lesbar, oder entfernen Sie sie, um eine neue Liste zu beginnen.</translation>
        </message>
        <message>
            <source>there is no place for it</source>
            <translation>es gibt keinen Ort für sie</translation>
        </message>
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
        <message>
            <source>Trust this server?</source>
            <translation>Diesem Server vertrauen?</translation>
        </message>
        <message>
            <source>The certificate of %1 is not vouched for by an authority this computer trusts (%2), and it has not been trusted before.

Subject: %3
Issuer: %4
SHA-256 fingerprint:
%5

Trust it only when the fingerprint is the one your administrator gave you. The messenger will then accept this certificate from this server from now on.</source>
            <translation>Für das Zertifikat von %1 bürgt keine Stelle, der dieser Computer vertraut (%2), und es wurde bisher nicht als vertrauenswürdig eingestuft.

Inhaber: %3
Aussteller: %4
SHA-256-Fingerabdruck:
%5

Vertrauen Sie ihm nur, wenn der Fingerabdruck der ist, den Ihr Administrator Ihnen genannt hat. Der Messenger nimmt dieses Zertifikat dann künftig von diesem Server an.</translation>
        </message>
        <message>
            <source>The logon was cancelled: the certificate of %1 is not trusted.</source>
            <translation>Die Anmeldung wurde abgebrochen: Dem Zertifikat von %1 wird nicht vertraut.</translation>
        </message>
        <message>
            <source>WARNING: the certificate of %1 has changed, and the connection was refused.

Trusted certificate (SHA-256):
%2

Presented certificate (SHA-256):
%3

Someone may be intercepting the connection. If your administrator replaced the server's certificate, forget the trusted one on the Connection page of the options and log on again.</source>
            <translation>WARNUNG: Das Zertifikat von %1 hat sich geändert, die Verbindung wurde abgelehnt.

Vertrauenswürdiges Zertifikat (SHA-256):
%2

Vorgelegtes Zertifikat (SHA-256):
%3

Möglicherweise fängt jemand die Verbindung ab. Wenn Ihr Administrator das Zertifikat des Servers ersetzt hat, vergessen Sie das vertrauenswürdige Zertifikat auf der Seite „Verbindung“ der Optionen und melden Sie sich erneut an.</translation>
        </message>
        <message>
            <source>The certificate could not be saved in %1.</source>
            <translation>Das Zertifikat konnte nicht in %1 gespeichert werden.</translation>
        </message>
        <message>
            <source>%1 unread messages</source>
            <translation>%1 ungelesene Nachrichten</translation>
        </message>
        <message>
            <source>None of your contacts are online.</source>
            <translation>Keiner Ihrer Kontakte ist online.</translation>
        </message>
        <message>
            <source>None of your contacts are offline.</source>
            <translation>Keiner Ihrer Kontakte ist offline.</translation>
        </message>
        <message>
            <source>No matching contacts.</source>
            <translation>Keine passenden Kontakte.</translation>
        </message>
    </context>
    <context>
        <name>zep::CDesktopNotifications</name>
        <message>
            <source>Open</source>
            <translation>Öffnen</translation>
        </message>
        <message>
            <source>Reply</source>
            <translation>Antworten</translation>
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
        <message>
            <source>E&amp;xit</source>
            <translation>B&amp;eenden</translation>
        </message>
        <message>
            <source>&amp;Blocked Contacts...</source>
            <translation>&amp;Blockierte Kontakte...</translation>
        </message>
        <message>
            <source>View &amp;History...</source>
            <translation>&amp;Verlauf anzeigen...</translation>
        </message>
    </context>
    <context>
        <name>zep::CWizFinish</name>
        <message>
            <source>You have entered all the information to setup your account.

To save these settings, click Finish.</source>
            <translation>Sie haben alle Angaben zur Einrichtung Ihres Kontos gemacht.

Klicken Sie auf „Fertig stellen“, um diese Einstellungen zu speichern.</translation>
        </message>
    </context>
    <context>
        <name>zep::CWizOptions</name>
        <message>
            <source>Choose your startup preferences.</source>
            <translation>Legen Sie fest, was beim Start geschehen soll.</translation>
        </message>
        <message>
            <source>&amp;Launch automatically on startup</source>
            <translation>Beim Systemstart automatisch &amp;starten</translation>
        </message>
        <message>
            <source>&amp;Open main window when ZEP Instant Messenger starts</source>
            <translation>&amp;Hauptfenster öffnen, wenn ZEP Instant Messenger startet</translation>
        </message>
        <message>
            <source>Enable automatic &amp;logon</source>
            <translation>Automatische &amp;Anmeldung aktivieren</translation>
        </message>
    </context>
    <context>
        <name>zep::CWizServer</name>
        <message>
            <source>Enter the ZEP server name.</source>
            <translation>Geben Sie den Namen des ZEP-Servers ein.</translation>
        </message>
        <message>
            <source>Use secure &amp;connection</source>
            <translation>&amp;Sichere Verbindung verwenden</translation>
        </message>
        <message>
            <source>&amp;Server name:</source>
            <translation>&amp;Servername:</translation>
        </message>
    </context>
    <context>
        <name>zep::CWizSetup</name>
        <message>
            <source>ZEP Instant Messenger Setup Wizard</source>
            <translation>Einrichtungsassistent von ZEP Instant Messenger</translation>
        </message>
        <message>
            <source>ZEP Instant Messenger setup is not complete.

Are you sure you want to exit the wizard?</source>
            <translation>Die Einrichtung von ZEP Instant Messenger ist nicht abgeschlossen.

Möchten Sie den Assistenten wirklich beenden?</translation>
        </message>
    </context>
    <context>
        <name>zep::CWizUser</name>
        <message>
            <source>Enter your email address and password.</source>
            <translation>Geben Sie Ihre E-Mail-Adresse und Ihr Kennwort ein.</translation>
        </message>
        <message>
            <source>&amp;Save password</source>
            <translation>Kennwort &amp;speichern</translation>
        </message>
        <message>
            <source>&amp;Email address:</source>
            <translation>&amp;E-Mail-Adresse:</translation>
        </message>
        <message>
            <source>&amp;Password:</source>
            <translation>&amp;Kennwort:</translation>
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsAccount</name>
        <message>
            <source>&amp;Save password</source>
            <translation>Kennwort &amp;speichern</translation>
        </message>
        <message>
            <source>Account</source>
            <translation>Konto</translation>
        </message>
        <message>
            <source>&amp;Email address:</source>
            <translation>&amp;E-Mail-Adresse:</translation>
        </message>
        <message>
            <source>&amp;Password:</source>
            <translation>&amp;Kennwort:</translation>
        </message>
        <message>
            <source>Saved in the desktop keyring.</source>
            <translation>Im Schlüsselbund des Desktops gespeichert.</translation>
        </message>
        <message>
            <source>No desktop keyring is running: the password is saved scrambled in the settings file.</source>
            <translation>Es läuft kein Schlüsselbund des Desktops: Das Kennwort wird verschleiert in der Einstellungsdatei gespeichert.</translation>
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsConnection</name>
        <message>
            <source>Use secure &amp;connection</source>
            <translation>&amp;Sichere Verbindung verwenden</translation>
        </message>
        <message>
            <source>&amp;Use a HTTP proxy server</source>
            <translation>&amp;HTTP-Proxyserver verwenden</translation>
        </message>
        <message>
            <source>Server</source>
            <translation>Server</translation>
        </message>
        <message>
            <source>Server &amp;name:</source>
            <translation>Server&amp;name:</translation>
        </message>
        <message>
            <source>&amp;Port:</source>
            <translation>&amp;Port:</translation>
        </message>
        <message>
            <source>Secu&amp;re port:</source>
            <translation>Sic&amp;herer Port:</translation>
        </message>
        <message>
            <source>Proxy</source>
            <translation>Proxy</translation>
        </message>
        <message>
            <source>Your browser HTTP proxy settings will be used by default.</source>
            <translation>Standardmäßig werden die HTTP-Proxyeinstellungen Ihres Browsers verwendet.</translation>
        </message>
        <message>
            <source>&amp;Address:</source>
            <translation>&amp;Adresse:</translation>
        </message>
        <message>
            <source>P&amp;ort:</source>
            <translation>P&amp;ort:</translation>
        </message>
        <message>
            <source>Enter a port number from 1 to 65535, or leave the field empty for the default port.</source>
            <translation>Geben Sie eine Portnummer von 1 bis 65535 ein, oder lassen Sie das Feld für den Standardport leer.</translation>
        </message>
        <message>
            <source>&amp;Forget</source>
            <translation>&amp;Vergessen</translation>
        </message>
        <message>
            <source>Trusted certificate</source>
            <translation>Vertrauenswürdiges Zertifikat</translation>
        </message>
        <message>
            <source>SHA-256 %1</source>
            <translation>SHA-256 %1</translation>
        </message>
        <message>
            <source>None: the first certificate of this server is asked about.</source>
            <translation>Keines: Beim ersten Zertifikat dieses Servers wird nachgefragt.</translation>
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsDialog</name>
        <message>
            <source>Message</source>
            <translation>Nachricht</translation>
        </message>
        <message>
            <source>Options</source>
            <translation>Optionen</translation>
        </message>
        <message>
            <source>Personal</source>
            <translation>Persönlich</translation>
        </message>
        <message>
            <source>General</source>
            <translation>Allgemein</translation>
        </message>
        <message>
            <source>Account</source>
            <translation>Konto</translation>
        </message>
        <message>
            <source>Connection</source>
            <translation>Verbindung</translation>
        </message>
        <message>
            <source>Some of the changes you have made will not take effect until the next time you logon.</source>
            <translation>Einige Ihrer Änderungen werden erst bei der nächsten Anmeldung wirksam.</translation>
        </message>
        <message>
            <source>The startup settings could not be changed.</source>
            <translation>Die Starteinstellungen konnten nicht geändert werden.</translation>
        </message>
        <message>
            <source>Your presence settings could not be saved on the server.</source>
            <translation>Ihre Anwesenheitseinstellungen konnten nicht auf dem Server gespeichert werden.</translation>
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsGeneral</name>
        <message>
            <source>Email</source>
            <translation>E-Mail</translation>
        </message>
        <message>
            <source>&amp;Launch ZEP Instant Messenger on startup</source>
            <translation>ZEP Instant Messenger beim Systemstart &amp;starten</translation>
        </message>
        <message>
            <source>Launch &amp;email client on startup</source>
            <translation>&amp;E-Mail-Programm beim Systemstart starten</translation>
        </message>
        <message>
            <source>&amp;Open ZEP Instant Messenger main window on startup</source>
            <translation>&amp;Hauptfenster von ZEP Instant Messenger beim Start öffnen</translation>
        </message>
        <message>
            <source>Enable automatic lo&amp;gon</source>
            <translation>Automatische An&amp;meldung aktivieren</translation>
        </message>
        <message>
            <source>Use &amp;registered email client</source>
            <translation>&amp;Registriertes E-Mail-Programm verwenden</translation>
        </message>
        <message>
            <source>Use &amp;specified email client</source>
            <translation>&amp;Folgendes E-Mail-Programm verwenden</translation>
        </message>
        <message>
            <source>Startup</source>
            <translation>Start</translation>
        </message>
        <message>
            <source>Select the email client to use, or choose "Use registered email client".</source>
            <translation>Wählen Sie das E-Mail-Programm aus, oder wählen Sie „Registriertes E-Mail-Programm verwenden“.</translation>
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsMessage</name>
        <message>
            <source>Change &amp;Font...</source>
            <translation>Schrift&amp;art ändern...</translation>
        </message>
        <message>
            <source>Font</source>
            <translation>Schrift</translation>
        </message>
        <message>
            <source>Email instant message &amp;transcripts</source>
            <translation>&amp;Protokolle von Sofortnachrichten per E-Mail senden</translation>
        </message>
        <message>
            <source>Send message when the &amp;enter key is pressed</source>
            <translation>Nachricht mit der &amp;Eingabetaste senden</translation>
        </message>
        <message>
            <source>Show a desktop &amp;notification when a message arrives</source>
            <translation>Bei neuen Nachrichten eine Desktop-&amp;Benachrichtigung zeigen</translation>
        </message>
        <message>
            <source>Settings</source>
            <translation>Einstellungen</translation>
        </message>
        <message>
            <source>Change the font used to send instant messages</source>
            <translation>Schriftart für gesendete Sofortnachrichten ändern</translation>
        </message>
        <message>
            <source>Show the t&amp;ime of each message</source>
            <translation>&amp;Uhrzeit jeder Nachricht anzeigen</translation>
        </message>
        <message>
            <source>&amp;Keep a history of my conversations</source>
            <translation>&amp;Verlauf meiner Unterhaltungen speichern</translation>
        </message>
        <message>
            <source>&amp;Delete history...</source>
            <translation>Verlauf &amp;löschen...</translation>
        </message>
        <message>
            <source>History</source>
            <translation>Verlauf</translation>
        </message>
        <message>
            <source>Delete History</source>
            <translation>Verlauf löschen</translation>
        </message>
        <message>
            <source>Delete the history of all your conversations on this computer? This cannot be undone.</source>
            <translation>Den Verlauf aller Ihrer Unterhaltungen auf diesem Computer löschen? Dies kann nicht rückgängig gemacht werden.</translation>
        </message>
        <message>
            <source>Check s&amp;pelling as I type</source>
            <translation>&amp;Rechtschreibung während der Eingabe prüfen</translation>
        </message>
    </context>
    <context>
        <name>zep::CZEPOptionsPersonal</name>
        <message>
            <source>Logged On</source>
            <translation>Angemeldet</translation>
        </message>
        <message>
            <source>Not Logged On</source>
            <translation>Nicht angemeldet</translation>
        </message>
        <message>
            <source>My Status</source>
            <translation>Mein Status</translation>
        </message>
        <message>
            <source>Show my use of &amp;email</source>
            <translation>Meine &amp;E-Mail-Nutzung anzeigen</translation>
        </message>
        <message>
            <source>Show &amp;calendar entries as</source>
            <translation>&amp;Kalendereinträge anzeigen als</translation>
        </message>
        <message>
            <source>Show &amp;location</source>
            <translation>&amp;Standort anzeigen</translation>
        </message>
        <message>
            <source>Show my use of e&amp;mail</source>
            <translation>Meine E-&amp;Mail-Nutzung anzeigen</translation>
        </message>
        <message>
            <source>Show calen&amp;dar entries as</source>
            <translation>Kalen&amp;dereinträge anzeigen als</translation>
        </message>
        <message>
            <source>Show &amp;preferred contact method as</source>
            <translation>&amp;Bevorzugten Kontaktweg anzeigen als</translation>
        </message>
        <message>
            <source>My default &amp;status</source>
            <translation>Mein Standard&amp;status</translation>
        </message>
        <message>
            <source>Show as &amp;away after inactive for</source>
            <translation>Als &amp;abwesend anzeigen nach Inaktivität von</translation>
        </message>
        <message>
            <source>minutes</source>
            <translation>Minuten</translation>
        </message>
    </context>
    <context>
        <name>zep::CZEPStatusBar</name>
        <message>
            <source>Reconnecting now...</source>
            <translation>Verbindung wird wiederhergestellt...</translation>
        </message>
        <message>
            <source>Reconnecting in %1 s</source>
            <translation>Neue Verbindung in %1 s</translation>
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
        <message>
            <source>Block '%1'? You will no longer receive messages from this user.</source>
            <translation>'%1' blockieren? Sie erhalten dann keine Nachrichten mehr von diesem Benutzer.</translation>
        </message>
        <message>
            <source>View History...</source>
            <translation>Verlauf anzeigen...</translation>
        </message>
        <message>
            <source>Notify Me When Online</source>
            <translation>Benachrichtigen, wenn online</translation>
        </message>
        <message>
            <source>%1 is online</source>
            <translation>%1 ist online</translation>
        </message>
    </context>
    <context>
        <name>zep::LogonDialog</name>
        <message>
            <source>&amp;Save password</source>
            <translation>Kennwort &amp;speichern</translation>
        </message>
        <message>
            <source>Logon - %1</source>
            <translation>Anmeldung - %1</translation>
        </message>
        <message>
            <source>Enter your full email address and your password.</source>
            <translation>Geben Sie Ihre vollständige E-Mail-Adresse und Ihr Kennwort ein.</translation>
        </message>
        <message>
            <source>&amp;Email address:</source>
            <translation>&amp;E-Mail-Adresse:</translation>
        </message>
        <message>
            <source>&amp;Password:</source>
            <translation>&amp;Kennwort:</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::ContactFilterBar</name>
        <message>
            <source>Search contacts</source>
            <translation>Kontakte suchen</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactFinishPage</name>
        <message>
            <source>&amp;Unblock and Add</source>
            <translation>Blockierung &amp;aufheben und hinzufügen</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactListPage</name>
        <message>
            <source>Search results.</source>
            <translation>Suchergebnisse.</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactPage</name>
        <message>
            <source>Logo</source>
            <translation>Logo</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactSearchPage</name>
        <message>
            <source>Search for email address matching</source>
            <translation>Nach E-Mail-Adressen suchen, die Folgendes enthalten</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::CAddContactSheet</name>
        <message>
            <source>Cancel</source>
            <translation>Abbrechen</translation>
        </message>
        <message>
            <source>'%1' has been successfully added to your contact list.</source>
            <translation>'%1' wurde Ihrer Kontaktliste hinzugefügt.</translation>
        </message>
        <message>
            <source>'%1' has already been added to your contact list.</source>
            <translation>'%1' ist bereits in Ihrer Kontaktliste.</translation>
        </message>
        <message>
            <source>Failed to add '%1' to your contact list.</source>
            <translation>'%1' konnte Ihrer Kontaktliste nicht hinzugefügt werden.</translation>
        </message>
        <message>
            <source>&lt; &amp;Back</source>
            <translation>&lt; &amp;Zurück</translation>
        </message>
        <message>
            <source>&amp;Next &gt;</source>
            <translation>&amp;Weiter &gt;</translation>
        </message>
        <message>
            <source>Finish</source>
            <translation>Fertig stellen</translation>
        </message>
        <message>
            <source>Add a contact</source>
            <translation>Kontakt hinzufügen</translation>
        </message>
        <message>
            <source>'%1' is in your block list.</source>
            <translation>'%1' steht auf Ihrer Blockierliste.</translation>
        </message>
        <message>
            <source>Failed to unblock '%1'.</source>
            <translation>Die Blockierung von '%1' konnte nicht aufgehoben werden.</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::CBlockedContactsWindow</name>
        <message>
            <source>&amp;Unblock</source>
            <translation>Blockierung &amp;aufheben</translation>
        </message>
        <message>
            <source>Close</source>
            <translation>Schließen</translation>
        </message>
        <message>
            <source>Blocked Contacts</source>
            <translation>Blockierte Kontakte</translation>
        </message>
        <message>
            <source>You receive no messages from these users.</source>
            <translation>Von diesen Benutzern erhalten Sie keine Nachrichten.</translation>
        </message>
        <message>
            <source>Logo</source>
            <translation>Logo</translation>
        </message>
        <message>
            <source>Failed to unblock '%1'.</source>
            <translation>Die Blockierung von '%1' konnte nicht aufgehoben werden.</translation>
        </message>
        <message>
            <source>'%1' is no longer blocked. Do you want to add '%1' to your contact list?</source>
            <translation>'%1' ist nicht mehr blockiert. Möchten Sie '%1' Ihrer Kontaktliste hinzufügen?</translation>
        </message>
        <message>
            <source>ZEP Instant Messenger</source>
            <translation>ZEP Instant Messenger</translation>
        </message>
    </context>
    <context>
        <name>zep::contacts::CContactDialog</name>
        <message>
            <source>OK</source>
            <translation>OK</translation>
        </message>
        <message>
            <source>Cancel</source>
            <translation>Abbrechen</translation>
        </message>
        <message>
            <source>Help</source>
            <translation>Hilfe</translation>
        </message>
        <message>
            <source>Invite Contact</source>
            <translation>Kontakt einladen</translation>
        </message>
        <message>
            <source>Contacts</source>
            <translation>Kontakte</translation>
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
            <translation>An</translation>
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
            <source>Cancel</source>
            <translation>Abbrechen</translation>
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
            <source>From</source>
            <translation>Von</translation>
        </message>
        <message>
            <source>Subject</source>
            <translation>Betreff</translation>
        </message>
        <message>
            <source>Remaining</source>
            <translation>Verbleibend</translation>
        </message>
        <message>
            <source>Discard this message?</source>
            <translation>Diese Nachricht verwerfen?</translation>
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
        <name>zep::conversations::EmojiPicker</name>
        <message>
            <source>Search emoji</source>
            <translation>Emoji suchen</translation>
        </message>
        <message>
            <source>Recent</source>
            <translation>Zuletzt verwendet</translation>
        </message>
    </context>
    <context>
        <name>zep::conversations::FindBar</name>
        <message>
            <source>Highlight &amp;all</source>
            <translation>&amp;Alle hervorheben</translation>
        </message>
        <message>
            <source>Find in conversation</source>
            <translation>In der Unterhaltung suchen</translation>
        </message>
        <message>
            <source>Previous match (Shift+Enter)</source>
            <translation>Vorheriger Treffer (Umschalt+Eingabe)</translation>
        </message>
        <message>
            <source>Next match (Enter)</source>
            <translation>Nächster Treffer (Eingabe)</translation>
        </message>
        <message>
            <source>Close (Esc)</source>
            <translation>Schließen (Esc)</translation>
        </message>
    </context>
    <context>
        <name>zep::conversations::HistoryWindow</name>
        <message>
            <source>Text files (*.txt)</source>
            <translation>Textdateien (*.txt)</translation>
        </message>
        <message>
            <source>Web pages (*.html *.htm)</source>
            <translation>Webseiten (*.html *.htm)</translation>
        </message>
        <message>
            <source>History - ZEP Instant Messenger</source>
            <translation>Verlauf - ZEP Instant Messenger</translation>
        </message>
        <message>
            <source>Search all conversations</source>
            <translation>Alle Unterhaltungen durchsuchen</translation>
        </message>
        <message>
            <source>&amp;Export...</source>
            <translation>&amp;Exportieren...</translation>
        </message>
        <message>
            <source>&amp;Delete</source>
            <translation>&amp;Löschen</translation>
        </message>
        <message>
            <source>Delete &amp;All of This Contact</source>
            <translation>Alle mit diesem &amp;Kontakt löschen</translation>
        </message>
        <message>
            <source>&amp;Close</source>
            <translation>&amp;Schließen</translation>
        </message>
        <message>
            <source>%1 (1 line)</source>
            <translation>%1 (1 Zeile)</translation>
        </message>
        <message>
            <source>%1 (%2 lines)</source>
            <translation>%1 (%2 Zeilen)</translation>
        </message>
        <message>
            <source>No conversation holds these words.</source>
            <translation>Keine Unterhaltung enthält diese Wörter.</translation>
        </message>
        <message>
            <source>Export Conversation</source>
            <translation>Unterhaltung exportieren</translation>
        </message>
        <message>
            <source>The conversation could not be saved as %1.</source>
            <translation>Die Unterhaltung konnte nicht als %1 gespeichert werden.</translation>
        </message>
        <message>
            <source>Conversation</source>
            <translation>Unterhaltung</translation>
        </message>
        <message>
            <source>Conversation with %1, %2</source>
            <translation>Unterhaltung mit %1, %2</translation>
        </message>
        <message>
            <source>Delete this conversation from the history? This cannot be undone.</source>
            <translation>Diese Unterhaltung aus dem Verlauf löschen? Dies kann nicht rückgängig gemacht werden.</translation>
        </message>
        <message>
            <source>Delete every conversation with %1 from the history? This cannot be undone.</source>
            <translation>Alle Unterhaltungen mit %1 aus dem Verlauf löschen? Dies kann nicht rückgängig gemacht werden.</translation>
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
        <message>
            <source>Not connected: this conversation has ended.</source>
            <translation>Nicht verbunden: Diese Unterhaltung ist beendet.</translation>
        </message>
        <message>
            <source>The session has timed out.</source>
            <translation>Die Sitzung ist abgelaufen.</translation>
        </message>
        <message>
            <source>Everyone else has left. Use Invite to bring someone back.</source>
            <translation>Alle anderen haben die Unterhaltung verlassen. Mit „Einladen“ holen Sie jemanden zurück.</translation>
        </message>
        <message>
            <source>Block '%1'? You will no longer receive messages from this user.</source>
            <translation>'%1' blockieren? Sie erhalten dann keine Nachrichten mehr von diesem Benutzer.</translation>
        </message>
        <message>
            <source>View &amp;History...</source>
            <translation>&amp;Verlauf anzeigen...</translation>
        </message>
        <message>
            <source>Insert an emoji (Ctrl+.)</source>
            <translation>Emoji einfügen (Strg+.)</translation>
        </message>
        <message>
            <source>Emoji</source>
            <translation>Emoji</translation>
        </message>
    </context>
    <context>
        <name>zep::conversations::SpellHighlighter</name>
        <message>
            <source>Add to Dictionary</source>
            <translation>Zum Wörterbuch hinzufügen</translation>
        </message>
        <message>
            <source>Ignore</source>
            <translation>Ignorieren</translation>
        </message>
        <message>
            <source>Spelling Language</source>
            <translation>Sprache der Rechtschreibprüfung</translation>
        </message>
    </context>
    <context>
        <name>zep::history::Store</name>
        <message>
            <source>The conversation history could not be read.</source>
            <translation>Der Verlauf der Unterhaltungen konnte nicht gelesen werden.</translation>
        </message>
        <message>
            <source>The conversation history could not be opened (%1); conversations are not kept.</source>
            <translation>Der Verlauf der Unterhaltungen konnte nicht geöffnet werden (%1); Unterhaltungen werden nicht gespeichert.</translation>
        </message>
        <message>
            <source>no folder for it</source>
            <translation>kein Ordner dafür</translation>
        </message>
        <message>
            <source>written by a newer version of the messenger</source>
            <translation>von einer neueren Version des Messengers geschrieben</translation>
        </message>
        <message>
            <source>It was moved aside to %1 and a new one was started.</source>
            <translation>Er wurde nach %1 verschoben, und ein neuer wurde begonnen.</translation>
        </message>
        <message>
            <source>The disk is full: conversations are not kept in the history until there is space again.</source>
            <translation>Der Datenträger ist voll: Unterhaltungen werden erst wieder im Verlauf gespeichert, wenn Platz frei ist.</translation>
        </message>
        <message>
            <source>The conversation history is damaged.</source>
            <translation>Der Verlauf der Unterhaltungen ist beschädigt.</translation>
        </message>
    </context>
</TS>
