#include "DateEnvironment.h"

namespace {

DateEnvironment &installed()
{
    static DateEnvironment environment = DateEnvironment::system();
    return environment;
}

} // namespace

DateEnvironment DateEnvironment::fixed(
    const QDateTime &now, const QLocale &locale, const QTimeZone &timeZone, QCalendar calendar)
{
    DateEnvironment environment;
    environment.m_now = now;
    environment.m_locale = locale;
    environment.m_timeZone = timeZone;
    environment.m_calendar = calendar;
    return environment;
}

DateEnvironment DateEnvironment::current()
{
    return installed();
}

void DateEnvironment::setCurrent(const DateEnvironment &environment)
{
    installed() = environment;
}

QDateTime DateEnvironment::now() const
{
    return m_now ? *m_now : QDateTime::currentDateTimeUtc();
}
