#pragma once

#include "Conversation.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The stored form of the saved conversations: one compact JSON array in
// UTF-8, one object per conversation, in list order.
//
//   [{"id":"<UUID>","title":"…","createdAt":<seconds>,"screenshotData":"<Base64>",
//     "messages":[{"id":"<UUID>","content":"…","isUser":true,"timestamp":<seconds>},…]},…]
//
// Dates are seconds since 1 January 2001 00:00 UTC, with their fraction.
// "screenshotData" holds the PNG bytes in standard Base64 and is left out when
// there is no screenshot. Identifiers are written as upper-case UUID text and
// never read: every record read gets a new one. Members are read in any
// order, unknown ones are passed over, and a null "screenshotData" means
// none. A record that cannot be read makes the whole array unreadable.
namespace ConversationJson {

// The JSON text, made in one buffer of exactly its size; absent, with the
// reason in `error`, when a date has no value.
std::optional<QByteArray> encode(const QList<Conversation> &conversations, QString *error = nullptr);

// The conversations; absent, with the reason in `error`, when any part of
// the text does not have the form above.
std::optional<QList<Conversation>> decode(QByteArrayView json, QString *error = nullptr);

// One conversation as its row of the conversations table keeps it: its
// object in the form above without "screenshotData", the screenshot being
// bytes of the row's own. Absent, with the reason, as for the whole list.
std::optional<QByteArray> encodeRecord(const Conversation &conversation, QString *error = nullptr);
// The conversation of a row: its record, with the row's screenshot (a
// "screenshotData" member in the record is passed over).
std::optional<Conversation> decodeRecord(
    QByteArrayView record, const std::optional<QByteArray> &screenshot, QString *error = nullptr);

// The stored number for a date, and the date for a stored number (absent
// when it lies outside the dates that can be held).
double secondsSinceReferenceDate(const QDateTime &date);
std::optional<QDateTime> dateFromSecondsSinceReferenceDate(double seconds);

} // namespace ConversationJson
