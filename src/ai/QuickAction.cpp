#include "QuickAction.h"

namespace QuickActions {

QString rawValue(QuickAction action)
{
    switch (action) {
    case QuickAction::summarize:
        return QStringLiteral("Summarize");
    case QuickAction::extractText:
        return QStringLiteral("Extract Text");
    case QuickAction::explain:
        return QStringLiteral("Explain");
    case QuickAction::identify:
        return QStringLiteral("Identify");
    }
    return {};
}

QString icon(QuickAction action)
{
    switch (action) {
    case QuickAction::summarize:
        return QStringLiteral("doc.text");
    case QuickAction::extractText:
        return QStringLiteral("text.cursor");
    case QuickAction::explain:
        return QStringLiteral("lightbulb");
    case QuickAction::identify:
        return QStringLiteral("eye");
    }
    return {};
}

std::optional<QuickAction> fromRawValue(QStringView text)
{
    for (const QuickAction action : allCases) {
        if (text == rawValue(action))
            return action;
    }
    return std::nullopt;
}

} // namespace QuickActions
