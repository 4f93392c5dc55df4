#include "app/app_options_host.h"

#include "app/main_frame.h"
#include "app/zepim_view.h"

#include <QCoreApplication>
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

QString AppOptionsHost::Executable() const
{
    return QCoreApplication::applicationFilePath();
}

} // namespace zep
