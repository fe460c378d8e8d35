#pragma once

#include "SavedMessage.h"
#include "store/DateEnvironment.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// A saved conversation: one screenshot with the questions asked about it and
// the answers received. Immutable; its identifier is new whenever a record is
// made, also when it is read back, so it is not stable across runs.
class Conversation
{
public:
    Conversation(const QString &title, const QDateTime &createdAt,
        const std::optional<QByteArray> &screenshotData, const QList<SavedMessage> &messages);

    QUuid id() const { return m_id; }
    QString title() const { return m_title; }
    QDateTime createdAt() const { return m_createdAt; }
    // PNG bytes of the screenshot; absent when there was none to keep.
    const std::optional<QByteArray> &screenshotData() const { return m_screenshotData; }
    // Question and answer, pair after pair, oldest first.
    const QList<SavedMessage> &messages() const { return m_messages; }

    // The same conversation (identifier, title, creation date, screenshot)
    // holding these messages instead.
    Conversation withMessages(const QList<SavedMessage> &messages) const;
    // The same conversation with these screenshot bytes instead.
    Conversation withScreenshotData(const std::optional<QByteArray> &screenshotData) const;

    // The creation time as the locale's medium date followed by its short time.
    QString formattedDate(const DateEnvironment &environment = DateEnvironment::current()) const;
    // The date of the conversation lists: the short time for today,
    // "Yesterday", else the abbreviated month and the day ("MMM d").
    QString shortDate(const DateEnvironment &environment = DateEnvironment::current()) const;

private:
    QUuid m_id;
    QString m_title;
    QDateTime m_createdAt;
    std::optional<QByteArray> m_screenshotData;
    QList<SavedMessage> m_messages;
};
