#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The categories of the settings window, in the order of its sidebar. Each
// is known by its title, which the sidebar and the detail header show.
enum class SettingsCategory {
    general,
    account,
    ai,
    screenshots,
    automation,
    about,
};

namespace SettingsCategories {

// Every category, in sidebar order.
const QList<SettingsCategory> &allCases();

// "General", "Account", "AI & Analysis", "Screenshots", "Automation", "About".
QString title(SettingsCategory category);
// The name of the category's symbol.
QString icon(SettingsCategory category);
// The settings accent, the same for every category.
QColor color(SettingsCategory category);

// The category with exactly that title (case matters); none for any other text.
std::optional<SettingsCategory> fromTitle(QStringView title);

} // namespace SettingsCategories
