#pragma once

#include <QCalendar>
#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <optional>

// The clock, locale, calendar and time zone that date texts and age groups
// are made with. The application uses the system's, read afresh at every use
// so that a change of locale or time zone shows at once; tests install a
// fixed environment so that nothing depends on the machine or the hour.
class DateEnvironment
{
public:
    // The system clock, the default locale, the Gregorian calendar and the
    // system time zone.
    static DateEnvironment system() { return DateEnvironment(); }
    // A clock stopped at `now`, with the given locale, time zone and calendar.
    static DateEnvironment fixed(const QDateTime &now, const QLocale &locale, const QTimeZone &timeZone,
        QCalendar calendar = QCalendar());

    // The environment in use; the system's until another is installed.
    static DateEnvironment current();
    static void setCurrent(const DateEnvironment &environment);

    QDateTime now() const;
    QLocale locale() const { return m_locale.value_or(QLocale()); }
    QTimeZone timeZone() const { return m_timeZone.value_or(QTimeZone::systemTimeZone()); }
    QCalendar calendar() const { return m_calendar; }

    // The moment as a date and time in this environment's time zone.
    QDateTime local(const QDateTime &moment) const { return moment.toTimeZone(timeZone()); }
    // The moment's local time of day in the locale's short time style: hours
    // and minutes, in its 24-hour or 12-hour form, never seconds (which the
    // C locale's short style has).
    QString shortTime(const QDateTime &moment) const;

private:
    DateEnvironment() = default;

    std::optional<QDateTime> m_now;
    std::optional<QLocale> m_locale;
    std::optional<QTimeZone> m_timeZone;
    QCalendar m_calendar;
};
