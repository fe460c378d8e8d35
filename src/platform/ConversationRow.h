#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// One saved conversation as the settings file keeps it: its identifier, its
// place in the list (newest first = largest), the JSON record of everything
// but the screenshot, and the screenshot's PNG bytes.
struct ConversationRow
{
    QString id;
    // Absent when writing: the row goes in front of every row stored.
    std::optional<qint64> position;
    QByteArray record;
    std::optional<QByteArray> screenshot;
    // Read without its screenshot's bytes: whether it has one stored.
    bool hasScreenshot = false;
};
