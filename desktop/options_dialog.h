// The "Options" sheet: five pages over the settings store and the server variables.
#pragma once

#include "common/im_result.h"
#include "protocol/server_variables.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class QDialogButtonBox;
class QMessageBox;
class QPushButton;
class QTabWidget;

namespace zep {

class OptionsHost;
class COptionsPage;
class CZEPOptionsPersonal;
class CZEPOptionsMessage;
class CZEPOptionsGeneral;
class CZEPOptionsAccount;
class CZEPOptionsConnection;

class CZEPOptionsDialog : public QDialog
{
    Q_OBJECT
public:
    enum Page
    {
        PersonalPage,
        MessagePage,
        GeneralPage,
        AccountPage,
        ConnectionPage,
        PageCount
    };

    // A top-level window; `owner` is the window it is modal to (the main frame). The host must
    // outlive the sheet or the owner: the sheet goes away with its owner.
    CZEPOptionsDialog(OptionsHost& host, QWidget* owner);
    ~CZEPOptionsDialog() override;

    // Shows the sheet window-modal to the owner and, when logged on, fetches the server
    // variables. The sheet deletes itself when it closes. False when it could not be shown.
    bool Open();

    QTabWidget* Tabs() { return m_tabs; }
    COptionsPage* PageWidget(Page page);
    QPushButton* ApplyButton();
    QPushButton* OkButton();
    QPushButton* CancelButton();
    bool VariablesLoaded() const { return m_variablesLoaded; }

    // The texts of the sheet's messages.
    static QString RelogonText();
    static QString VariablesNotSavedText();
    static QString AutostartFailedText();

public slots:
    void accept() override;
    void reject() override;
    void Apply();

signals:
    // A message box the sheet opened (the relogon note, a refusal, a failed store).
    void NoticeShown(QMessageBox* box);

private:
    void PageShown(int index);
    void VariablesFetched(ImResult result, const ServerVariables& variables);
    // Checks every shown page, then writes them. False when a page refused. `closing`: the
    // sheet goes away after this, so what is told goes over the owner.
    bool ApplyPages(bool closing);
    // Sends the server variables when they were fetched; `done` gets whether nothing was lost.
    void StoreVariables(std::function<void(bool)> done);
    void ChangeFont();
    QMessageBox* Notice(QWidget* over, const QString& text, bool warning);
    void Finish(int result);

    OptionsHost* m_host;
    QPointer<QWidget> m_owner;
    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    CZEPOptionsPersonal* m_personal;
    CZEPOptionsMessage* m_message;
    CZEPOptionsGeneral* m_general;
    CZEPOptionsAccount* m_account;
    CZEPOptionsConnection* m_connection;
    bool m_variablesLoaded = false;
    bool m_relogonNeeded = false;
    // The presence settings were edited since they last reached the server.
    bool m_variablesEdited = false;
    bool m_closing = false;
};

} // namespace zep
