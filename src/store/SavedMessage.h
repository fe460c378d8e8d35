#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

// One line of a saved conversation: a question or an answer. Immutable; its
// identifier is new whenever a record is made, also when it is read back.
class SavedMessage
{
public:
    SavedMessage(const QString &content, bool isUser, const QDateTime &timestamp);

    QUuid id() const { return m_id; }
    QString content() const { return m_content; }
    bool isUser() const { return m_isUser; }
    // The time of the answer the line belongs to; both lines of a pair share it.
    QDateTime timestamp() const { return m_timestamp; }

private:
    QUuid m_id;
    QString m_content;
    bool m_isUser;
    QDateTime m_timestamp;
};
