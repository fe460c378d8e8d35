#pragma once

#include <QDateTime>
#include <QString>

// The time of a message as the message views show it: hours and minutes in
// the user's short time format and time zone, never a date, also for a
// message of another day. Read afresh at every call, so that a change of
// locale or time zone shows at once.
QString formatMessageTime(const QDateTime &timestamp);
