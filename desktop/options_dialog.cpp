#include "desktop/options_dialog.h"

#include "conversations/edit_actions.h"

#include "desktop/options_host.h"
#include "desktop/options_pages.h"
#include "session/server_variables_store.h"
#include "session/settings.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>
#include <memory>

namespace zep {
namespace {

// The conversation colour is stored as 0x00BBGGRR, as the conversation window reads it.
int ToColourRef(const QColor& colour)
{
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QColor FromColourRef(int value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

// Modality follows the transient parent; both native windows must exist for it.
void StackOver(QWidget* window, QWidget* over)
{
    if (over == nullptr)
        return;
    QWidget* top = over->window();
    top->winId();
    window->winId();
    if (window->windowHandle() != nullptr)
        window->windowHandle()->setTransientParent(top->windowHandle());
}

} // namespace

CZEPOptionsDialog::CZEPOptionsDialog(OptionsHost& host, QWidget* owner)
    : QDialog(nullptr), m_host(&host), m_owner(owner), m_tabs(new QTabWidget(this)),
      m_buttons(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this)),
      m_personal(new CZEPOptionsPersonal), m_message(new CZEPOptionsMessage),
      m_general(new CZEPOptionsGeneral(host)), m_account(new CZEPOptionsAccount),
      m_connection(new CZEPOptionsConnection)
{
    setObjectName(QStringLiteral("CZEPOptionsDialog"));
    setWindowTitle(tr("Options"));
    setModal(false);
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);

    m_tabs->addTab(m_personal, tr("Personal"));
    m_tabs->addTab(m_message, tr("Message"));
    m_tabs->addTab(m_general, tr("General"));
    m_tabs->addTab(m_account, tr("Account"));
    m_tabs->addTab(m_connection, tr("Connection"));
    ApplyButton()->setEnabled(false);

    for (int i = 0; i < PageCount; ++i) {
        COptionsPage* page = PageWidget(static_cast<Page>(i));
        connect(page, &COptionsPage::Modified, this, [this] { ApplyButton()->setEnabled(true); });
        connect(page, &COptionsPage::VariablesEdited, this, [this] { m_variablesEdited = true; });
    }
    connect(m_tabs, &QTabWidget::currentChanged, this, &CZEPOptionsDialog::PageShown);
    connect(m_message, &CZEPOptionsMessage::ChangeFontRequested, this,
            &CZEPOptionsDialog::ChangeFont);
    connect(m_message, &CZEPOptionsMessage::DeleteHistoryRequested, this, [this] {
        if (m_host != nullptr)
            m_host->DeleteHistory();
    });
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CZEPOptionsDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CZEPOptionsDialog::reject);
    connect(ApplyButton(), &QPushButton::clicked, this, &CZEPOptionsDialog::Apply);
    if (owner != nullptr) {
        // The host is the owner's: once the owner is gone nothing may reach it any more.
        connect(owner, &QObject::destroyed, this, [this] {
            m_host = nullptr;
            hide();
            deleteLater();
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addWidget(m_buttons);
    resize(440, 470);
}

CZEPOptionsDialog::~CZEPOptionsDialog()
{
    if (m_owner && m_owner->isVisible()) {
        m_owner->window()->raise();
        m_owner->window()->activateWindow();
    }
}

COptionsPage* CZEPOptionsDialog::PageWidget(Page page)
{
    switch (page) {
    case PersonalPage:
        return m_personal;
    case MessagePage:
        return m_message;
    case GeneralPage:
        return m_general;
    case AccountPage:
        return m_account;
    case ConnectionPage:
    case PageCount:
        break;
    }
    return m_connection;
}

QPushButton* CZEPOptionsDialog::ApplyButton()
{
    return m_buttons->button(QDialogButtonBox::Apply);
}

QPushButton* CZEPOptionsDialog::OkButton()
{
    return m_buttons->button(QDialogButtonBox::Ok);
}

QPushButton* CZEPOptionsDialog::CancelButton()
{
    return m_buttons->button(QDialogButtonBox::Cancel);
}

QString CZEPOptionsDialog::RelogonText()
{
    return tr("Some of the changes you have made will not take effect until the next time you "
              "logon.");
}

QString CZEPOptionsDialog::AutostartFailedText()
{
    return tr("The startup settings could not be changed.");
}

QString CZEPOptionsDialog::VariablesNotSavedText()
{
    return tr("Your presence settings could not be saved on the server.");
}

bool CZEPOptionsDialog::Open()
{
    StackOver(this, m_owner);
    show();
    raise();
    activateWindow();
    if (!isVisible())
        return false;
    m_variablesLoaded = false;
    m_relogonNeeded = false;
    if (m_host != nullptr && m_host->LoggedOn())
        m_host->FetchVariables(this, [this](ImResult result, ServerVariables variables) {
            VariablesFetched(result, variables);
        });
    PageShown(m_tabs->currentIndex());
    return true;
}

void CZEPOptionsDialog::PageShown(int index)
{
    if (index >= 0 && index < PageCount)
        PageWidget(static_cast<Page>(index))->EnsureLoaded();
}

void CZEPOptionsDialog::VariablesFetched(ImResult result, const ServerVariables& variables)
{
    // A failed fetch leaves the store as it was and the presence controls disabled.
    if (result != ImResult::Ok || m_closing)
        return;
    Settings settings;
    StoreServerVariables(settings, [&variables](std::string_view name) {
        const std::size_t i = ServerVariables::IndexOf(name);
        return i < ServerVariables::kCount ? std::optional<std::string>(variables.values[i])
                                           : std::nullopt;
    });
    m_variablesLoaded = true;
    m_personal->SetVariablesLoaded(true);
    m_message->SetVariablesLoaded(true);
}

bool CZEPOptionsDialog::ApplyPages(bool closing)
{
    // Every page is checked before any writes, so a refusal leaves the store untouched.
    for (int i = 0; i < PageCount; ++i) {
        COptionsPage* page = PageWidget(static_cast<Page>(i));
        if (!page->Loaded())
            continue;
        if (const std::optional<OptionsRefusal> refusal = page->Check()) {
            m_tabs->setCurrentIndex(i);
            if (refusal->control != nullptr)
                refusal->control->setFocus(Qt::OtherFocusReason);
            Notice(this, refusal->text, true);
            return false;
        }
    }
    for (int i = 0; i < PageCount; ++i)
        PageWidget(static_cast<Page>(i))->Apply(m_variablesLoaded);
    if (m_general->TakeAutostartFailed())
        Notice(closing ? m_owner.data() : this, AutostartFailedText(), true);
    if (m_account->TakeChanged())
        m_relogonNeeded = true;
    if (m_connection->TakeChanged())
        m_relogonNeeded = true;
    Settings().Sync();
    m_host->OptionsApplied();
    ApplyButton()->setEnabled(false);
    return true;
}

void CZEPOptionsDialog::StoreVariables(std::function<void(bool)> done)
{
    const bool edited = std::exchange(m_variablesEdited, false);
    if (!m_variablesLoaded || m_host == nullptr || !m_host->LoggedOn()) {
        // Controls that edit the variables are enabled only once they were fetched, so an
        // edit here means the session ended after the fetch.
        m_variablesEdited = edited;
        done(!edited);
        return;
    }
    ServerVariables variables;
    const Settings settings;
    for (std::size_t i = 0; i < ServerVariables::kCount; ++i) {
        QString v = settings.ReadText(ServerVariables::kNames[i]);
        v.replace(u'\r', u' ').replace(u'\n', u' ');
        variables.values[i] = v.toStdString();
    }
    m_host->StoreVariables(std::move(variables), this,
                           [this, edited, done = std::move(done)](ImResult result) {
                               const bool lost = result != ImResult::Ok && edited;
                               // Kept for the next Apply, which tries again.
                               if (lost)
                                   m_variablesEdited = true;
                               done(!lost);
                           });
}

void CZEPOptionsDialog::Apply()
{
    if (m_closing || !ApplyPages(false))
        return;
    StoreVariables([this](bool saved) {
        if (!saved)
            Notice(this, VariablesNotSavedText(), true);
    });
    if (m_relogonNeeded && m_host != nullptr && m_host->LoggedOn()) {
        m_relogonNeeded = false;
        Notice(this, RelogonText(), false);
    }
}

void CZEPOptionsDialog::accept()
{
    if (m_closing || !ApplyPages(true))
        return;
    m_closing = true;
    // The sheet goes at once; it lives on hidden until the server has the variables, so a
    // failure can still be told, over the owner.
    hide();
    StoreVariables([this](bool saved) {
        if (!saved)
            Notice(m_owner, VariablesNotSavedText(), true);
        Finish(Accepted);
    });
}

void CZEPOptionsDialog::reject()
{
    if (m_closing)
        return;
    m_closing = true;
    Finish(Rejected);
}

void CZEPOptionsDialog::Finish(int result)
{
    setResult(result);
    hide();
    emit finished(result);
    deleteLater();
}

QMessageBox* CZEPOptionsDialog::Notice(QWidget* over, const QString& text, bool warning)
{
    auto* box = new QMessageBox(warning ? QMessageBox::Warning : QMessageBox::Information,
                                tr("Options"), text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setWindowModality(over != nullptr ? Qt::WindowModal : Qt::NonModal);
    StackOver(box, over);
    box->open();
    emit NoticeShown(box);
    return box;
}

void CZEPOptionsDialog::ChangeFont()
{
    const Settings settings;
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    QColor start(Qt::black);
    const QString storedFont = settings.ReadText(setting::MessageLf);
    if (!storedFont.isEmpty() && settings.Contains(setting::MessageColor)) {
        QFont stored;
        if (stored.fromString(storedFont)) {
            font = stored;
            start = FromColourRef(settings.ReadInt(setting::MessageColor, 0));
        }
    }
    // Written at once: the font is not part of what OK or Cancel decide.
    conversations::OpenFontAndColourDialog(
        this, font, start,
        [](const QFont& chosen, const QColor& colour) {
            Settings store;
            store.WriteText(setting::MessageLf, chosen.toString());
            store.WriteInt(setting::MessageColor, ToColourRef(colour));
            store.Sync();
        },
        QStringLiteral("optionsFontDialog"));
}

} // namespace zep
