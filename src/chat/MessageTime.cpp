#include "MessageTime.h"

#include "store/DateEnvironment.h"

QString formatMessageTime(const QDateTime &timestamp)
{
    const DateEnvironment environment = DateEnvironment::current();
    return environment.locale().toString(environment.local(timestamp).time(), QLocale::ShortFormat);
}
