#include "app/app_options_host.h"

#include "app/main_frame.h"
#include "app/zepim_view.h"
#include "session/history_store.h"
#include "session/settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QTimer>

namespace zep {

namespace {

CZepimView* LoggedOnView(const CMainFrame& frame)
{
    return frame.CurrentView() == ViewKind::Main ? qobject_cast<CZepimView*>(frame.View())
                                                 : nullptr;
}

} // namespace

bool AppOptionsHost::LoggedOn() const
{
    return LoggedOnView(m_frame) != nullptr;
}

void AppOptionsHost::FetchVariables(QObject* context,
                                    std::function<void(ImResult, ServerVariables)> done)
{
    if (CZepimView* view = LoggedOnView(m_frame)) {
        view->FetchVariables(context, std::move(done));
        return;
    }
    QPointer<QObject> guard(context);
    QTimer::singleShot(0, &m_frame, [guard, done] {
        if (guard)
            done(ImResult::ConnectionClosed, ServerVariables{});
    });
}

void AppOptionsHost::StoreVariables(ServerVariables variables, QObject* context,
                                    std::function<void(ImResult)> done)
{
    if (CZepimView* view = LoggedOnView(m_frame)) {
        view->StoreVariables(std::move(variables), context, std::move(done));
        return;
    }
    QPointer<QObject> guard(context);
    QTimer::singleShot(0, &m_frame, [guard, done] {
        if (guard)
            done(ImResult::ConnectionClosed);
    });
}

void AppOptionsHost::OptionsApplied()
{
    if (CZepimView* view = LoggedOnView(m_frame))
        view->OptionsApplied();
}

QString AppOptionsHost::Executable() const
{
    return QCoreApplication::applicationFilePath();
}

void AppOptionsHost::DeleteHistory()
{
    if (CZepimView* view = LoggedOnView(m_frame); view != nullptr && view->DeleteHistory())
        return;
    // Logged off: the account's store on its own, when there is one.
    const QString email = Settings().ReadText(setting::Email);
    history::Store store;
    if (!email.isEmpty() && QFile::exists(history::Store::FileFor(email)) && store.Open(email))
        store.DeleteAll();
}

} // namespace zep
