#include "conversations/time_stamps.h"

#include <QRegularExpression>

namespace zep::conversations {

QString HourMinuteFormat(const QLocale& locale)
{
    static const QRegularExpression seconds(QStringLiteral("[:.,]?s{1,2}([:.,]?z+)?"));
    return locale.timeFormat(QLocale::ShortFormat).remove(seconds);
}

QString ClockTime(const QTime& time, const QLocale& locale)
{
    return locale.toString(time, HourMinuteFormat(locale));
}

QString DateAndTime(const QDateTime& when, const QLocale& locale)
{
    return locale.toString(when, locale.dateFormat(QLocale::ShortFormat) + u' ' +
                                     HourMinuteFormat(locale));
}

} // namespace zep::conversations
