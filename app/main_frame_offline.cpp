// The main frame's part in offline messages and in managing contacts: the offline message
// windows it owns, their sends through the logged-on view, and the "&Contacts" commands.
#include "app/main_frame.h"

#include "app/zepim_view.h"
#include "conversations/offline_message_window.h"
#include "transport/log_writer.h"
#include "ui/about_box.h"
#include "ui/help.h"

#include <QTimer>

namespace zep {

using conversations::COfflineMessageWindow;

void CMainFrame::OnAddContact()
{
    if (auto* view = qobject_cast<CZepimView*>(centralWidget()))
        view->OpenAddContact();
}

void CMainFrame::OnDeleteContact()
{
    if (auto* view = qobject_cast<CZepimView*>(centralWidget()))
        view->OpenDeletePicker();
}

void CMainFrame::OnBlockedContacts()
{
    if (auto* view = qobject_cast<CZepimView*>(centralWidget()))
        view->OpenBlockedContacts();
}

int CMainFrame::OpenOfflineMessage(contacts::OfflineKind kind, const ContactRecord& contact,
                                   const ContactRecord& own)
{
    if (m_shutDown)
        return static_cast<int>(ImResult::NoMemory);
    m_own = own;
    std::erase_if(m_offlineWindows,
                  [](const QPointer<COfflineMessageWindow>& w) { return w.isNull(); });
    // Any local process may ask for these windows: one of a kind per contact, brought to the
    // front when asked for again, and no more than a screenful in all.
    for (const QPointer<COfflineMessageWindow>& open : m_offlineWindows) {
        if (open->Kind() != kind || open->Target().email != contact.email)
            continue;
        if (open->isMinimized())
            open->showNormal();
        open->raise();
        open->activateWindow();
        return 0;
    }
    if (m_offlineWindows.size() >= kMaxOfflineWindows) {
        LogWriteIf(ZepimLog(), kLogFailure, 99999,
                   "Refused an offline message window: %zu are open already.",
                   m_offlineWindows.size());
        return kOfflineWindowsBusy;
    }
    COfflineMessageWindow* window =
        COfflineMessageWindow::CreateFor(static_cast<int>(kind), contact, *this);
    if (window == nullptr)
        return static_cast<int>(ImResult::NoMemory);
    m_offlineWindows.emplace_back(window);
    // Shown by its creation; brought to the front like every window the user asked for.
    window->raise();
    window->activateWindow();
    return 0;
}

std::vector<COfflineMessageWindow*> CMainFrame::OfflineWindows() const
{
    std::vector<COfflineMessageWindow*> out;
    for (const QPointer<COfflineMessageWindow>& w : m_offlineWindows)
        if (w)
            out.push_back(w.data());
    return out;
}

void CMainFrame::SendOfflineMessage(std::string type, std::string headers, std::string body,
                                    QObject* context, std::function<void(ImResult)> done)
{
    auto* view = qobject_cast<CZepimView*>(centralWidget());
    if (view != nullptr && m_viewKind == ViewKind::Main) {
        view->SendOfflineMessage(std::move(type), std::move(headers), std::move(body), context,
                                 std::move(done));
        return;
    }
    // Logged off: the window keeps its text and can send after the next logon.
    QPointer<QObject> guard(context);
    QTimer::singleShot(0, this, [guard, done] {
        if (guard && done)
            done(ImResult::ConnectionClosed);
    });
}

history::Store* CMainFrame::History() const
{
    const auto* view =
        CurrentView() == ViewKind::Main ? qobject_cast<const CZepimView*>(View()) : nullptr;
    return view != nullptr ? view->History() : nullptr;
}

void CMainFrame::OfflineWindowClosed(COfflineMessageWindow* window)
{
    std::erase_if(m_offlineWindows, [window](const QPointer<COfflineMessageWindow>& w) {
        return w.isNull() || w.data() == window;
    });
    window->deleteLater();
}

void CMainFrame::CloseOfflineWindows()
{
    // At exit: the windows go with the program.
    const std::vector<QPointer<COfflineMessageWindow>> windows = std::move(m_offlineWindows);
    m_offlineWindows.clear();
    for (const QPointer<COfflineMessageWindow>& window : windows)
        delete window.data();
}

void CMainFrame::ShowHelp(int topic)
{
    zep::ShowHelp(static_cast<unsigned>(topic));
}

void CMainFrame::ShowAbout()
{
    ShowAboutBox(this);
}

} // namespace zep
