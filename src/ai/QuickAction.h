#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The four one-click analyses of the overlay, in the order they are shown.
enum class QuickAction { summarize, extractText, explain, identify };

namespace QuickActions {

inline constexpr std::array<QuickAction, 4> allCases
    = { QuickAction::summarize, QuickAction::extractText, QuickAction::explain, QuickAction::identify };

// The button title, which is also the action's stored name.
QString rawValue(QuickAction action);
// The symbol name of the action's icon.
QString icon(QuickAction action);
// The question that stands for the action in the answers and the chat.
QString question(QuickAction action);
// What the AI service is asked to do with the image.
QString instruction(QuickAction action);
// The action whose title is exactly the text (case-sensitive, whole text).
std::optional<QuickAction> fromRawValue(QStringView text);

} // namespace QuickActions
