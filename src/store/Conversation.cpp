#include "Conversation.h"

namespace {

bool isWeekdaySeparator(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QChar(0x060C); // Arabic comma
}

// Qt has no medium date format. It is made from the locale's long format,
// which every locale has, by leaving out the weekday with the separators
// that join it to the rest and abbreviating the month name: "dddd, MMMM d,
// yyyy" becomes "MMM d, yyyy", "dddd, d. MMMM yyyy" becomes "d. MMM yyyy".
QString mediumDateFormat(const QLocale &locale)
{
    const QString longFormat = locale.dateFormat(QLocale::LongFormat);
    QString format;
    bool quoted = false;
    for (qsizetype i = 0; i < longFormat.size();) {
        const QChar c = longFormat.at(i);
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            format += c;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (!quoted && i + run < longFormat.size() && longFormat.at(i + run) == c)
            ++run;
        if (!quoted && c == QLatin1Char('d') && run >= 3) {
            i += run;
            if (i == longFormat.size()) {
                while (!format.isEmpty() && isWeekdaySeparator(format.back()))
                    format.chop(1);
            }
            while (i < longFormat.size() && isWeekdaySeparator(longFormat.at(i)))
                ++i;
            continue;
        }
        if (!quoted && c == QLatin1Char('M') && run >= 4)
            format += QLatin1String("MMM");
        else
            format += longFormat.mid(i, run);
        i += run;
    }
    return format;
}

} // namespace

Conversation::Conversation(const QString &title, const QDateTime &createdAt,
    const std::optional<QByteArray> &screenshotData, const QList<SavedMessage> &messages)
    : m_id(QUuid::createUuid())
    , m_title(title)
    , m_createdAt(createdAt)
    , m_screenshotData(screenshotData)
    , m_messages(messages)
{ }

QString Conversation::formattedDate(const DateEnvironment &environment) const
{
    const QLocale locale = environment.locale();
    const QDateTime created = environment.local(m_createdAt);
    return locale.toString(created.date(), mediumDateFormat(locale), environment.calendar())
        + QLatin1Char(' ') + environment.shortTime(m_createdAt);
}

Conversation Conversation::withMessages(const QList<SavedMessage> &messages) const
{
    Conversation conversation = *this;
    conversation.m_messages = messages;
    return conversation;
}

Conversation Conversation::withScreenshotData(const std::optional<QByteArray> &screenshotData) const
{
    Conversation conversation = *this;
    conversation.m_screenshotData = screenshotData;
    return conversation;
}

QString Conversation::shortDate(const DateEnvironment &environment) const
{
    const QLocale locale = environment.locale();
    const QDateTime created = environment.local(m_createdAt);
    const QDate today = environment.local(environment.now()).date();
    if (created.date() == today)
        return environment.shortTime(m_createdAt);
    if (created.date() == today.addDays(-1))
        return QStringLiteral("Yesterday");
    return locale.toString(created.date(), u"MMM d", environment.calendar());
}
