// The times the conversation windows and the history show: hours and minutes in the user's
// locale (without the seconds some locales keep in their short form), and a date before them
// where the day matters.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace zep::conversations {

QString HourMinuteFormat(const QLocale& locale = QLocale());
// "14:05" (or "2:05 PM").
QString ClockTime(const QTime& time, const QLocale& locale = QLocale());
// The short date and the clock time.
QString DateAndTime(const QDateTime& when, const QLocale& locale = QLocale());

} // namespace zep::conversations
