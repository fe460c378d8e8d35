#pragma once

#include "QuickAction.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <optional>

// One answer about a screenshot, or the failure text that took its place.
struct AIResponse
{
    QString content;
    QDateTime timestamp;
    std::optional<QuickAction> action; // absent for typed questions and follow-ups
    QString question; // as asked; a quick action's short question

    friend bool operator==(const AIResponse &, const AIResponse &) = default;
};

Q_DECLARE_METATYPE(AIResponse)
