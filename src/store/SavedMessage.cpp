#include "SavedMessage.h"

SavedMessage::SavedMessage(const QString &content, bool isUser, const QDateTime &timestamp)
    : m_id(QUuid::createUuid())
    , m_content(content)
    , m_isUser(isUser)
    , m_timestamp(timestamp)
{ }
