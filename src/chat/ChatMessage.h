#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

// One line of the chat window's transcript. Each message made gets a new
// identifier, and two messages are equal when their identifiers are: the
// same text said twice is two messages.
class ChatMessage
{
public:
    ChatMessage(const QString &content, bool isUser, const QDateTime &timestamp);

    QUuid id() const { return m_id; }
    QString content() const { return m_content; }
    bool isUser() const { return m_isUser; }
    QDateTime timestamp() const { return m_timestamp; }

    friend bool operator==(const ChatMessage &a, const ChatMessage &b) { return a.m_id == b.m_id; }

private:
    QUuid m_id;
    QString m_content;
    bool m_isUser;
    QDateTime m_timestamp;
};
