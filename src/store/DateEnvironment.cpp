#include "DateEnvironment.h"

namespace {

DateEnvironment &installed()
{
    static DateEnvironment environment = DateEnvironment::system();
    return environment;
}

// A time format without its seconds field, which goes with the separator
// before it ("HH:mm:ss" keeps "HH:mm"); quoted text is kept.
QString withoutSeconds(const QString &format)
{
    QString kept;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            kept += c;
        } else if (!quoted && c == u's') {
            while (i + 1 < format.size() && format.at(i + 1) == u's')
                ++i;
            while (!kept.isEmpty() && !kept.back().isLetter() && kept.back() != u'\'')
                kept.chop(1);
        } else {
            kept += c;
        }
    }
    return kept;
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

QString DateEnvironment::shortTime(const QDateTime &moment) const
{
    const QLocale locale = this->locale();
    return locale.toString(local(moment).time(), withoutSeconds(locale.timeFormat(QLocale::ShortFormat)));
}
