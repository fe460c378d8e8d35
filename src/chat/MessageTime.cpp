#include "MessageTime.h"

#include "store/DateEnvironment.h"

QString formatMessageTime(const QDateTime &timestamp)
{
    return DateEnvironment::current().shortTime(timestamp);
}
