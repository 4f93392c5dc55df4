#include "desktop/desktop_notice.h"

#include "session/attention.h"
#include "session/settings.h"

namespace zep {
namespace {

NoticeSink& Sink()
{
    static NoticeSink sink;
    return sink;
}

} // namespace

void SetNoticeSink(NoticeSink sink)
{
    Sink() = std::move(sink);
}

void PostNotice(const Notice& notice)
{
    if (!Sink() || attention::Quiet())
        return;
    if (notice.kind == NoticeKind::Message &&
        Settings().ReadInt(setting::NotifyMessages, defaults::NotifyMessages) == 0)
        return;
    Sink()(notice);
}

QString NoticeBody(const QString& text, int limit)
{
    QString body = text.trimmed();
    if (body.size() <= limit)
        return body;
    int cut = limit - 1;
    // Never half a surrogate pair.
    if (cut > 0 && body.at(cut - 1).isHighSurrogate())
        --cut;
    return body.left(cut) + QChar(0x2026);
}

} // namespace zep
