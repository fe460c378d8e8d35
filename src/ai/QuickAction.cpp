#include "QuickAction.h"

#include <QLatin1StringView>

namespace {

using namespace Qt::Literals::StringLiterals;

// Everything that belongs to one quick action, in the order of allCases.
struct QuickActionData
{
    QuickAction action;
    QLatin1StringView title;
    QLatin1StringView symbol;
    QLatin1StringView question;
    QLatin1StringView instruction;
};

constexpr QuickActionData quickActionData[] = {
    { QuickAction::summarize, "Summarize"_L1, "doc.text"_L1, "Summarize this image"_L1,
        "Summarize what you see in this image. Be concise but comprehensive."_L1 },
    { QuickAction::extractText, "Extract Text"_L1, "text.cursor"_L1, "Extract text from this image"_L1,
        "Extract all visible text from this image. Format it clearly and maintain any structure you can see."_L1 },
    { QuickAction::explain, "Explain"_L1, "lightbulb"_L1, "Explain what's in this image"_L1,
        "Explain what's happening in this image. If it contains code, explain what the code does. If it's a "
        "diagram, explain the concepts. Be detailed but clear."_L1 },
    { QuickAction::identify, "Identify"_L1, "eye"_L1, "Identify what's in this image"_L1,
        "Identify and describe all the key elements, objects, people, or components you can see in this "
        "image."_L1 },
};

constexpr bool inOrderOfAllCases()
{
    for (std::size_t i = 0; i < QuickActions::allCases.size(); ++i)
        if (quickActionData[i].action != QuickActions::allCases[i])
            return false;
    return std::size(quickActionData) == QuickActions::allCases.size();
}
static_assert(inOrderOfAllCases());

const QuickActionData &dataOf(QuickAction action)
{
    return quickActionData[static_cast<std::size_t>(action)];
}

} // namespace

namespace QuickActions {

QString rawValue(QuickAction action)
{
    return dataOf(action).title;
}

QString icon(QuickAction action)
{
    return dataOf(action).symbol;
}

QString question(QuickAction action)
{
    return dataOf(action).question;
}

QString instruction(QuickAction action)
{
    return dataOf(action).instruction;
}

std::optional<QuickAction> fromRawValue(QStringView text)
{
    for (const QuickActionData &data : quickActionData) {
        if (text == data.title)
            return data.action;
    }
    return std::nullopt;
}

} // namespace QuickActions
