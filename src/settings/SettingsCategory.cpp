#include "SettingsCategory.h"

#include "ui/Palette.h"

namespace {

struct CategoryData
{
    SettingsCategory category;
    const char16_t *title;
    const char16_t *icon;
};

constexpr CategoryData categoryData[] = {
    { SettingsCategory::general, u"General", u"gearshape.fill" },
    { SettingsCategory::account, u"Account", u"person.crop.circle.fill" },
    { SettingsCategory::ai, u"AI & Analysis", u"brain.head.profile" },
    { SettingsCategory::screenshots, u"Screenshots", u"camera.fill" },
    { SettingsCategory::automation, u"Automation", u"wand.and.stars" },
    { SettingsCategory::about, u"About", u"info.circle.fill" },
};

const CategoryData &dataOf(SettingsCategory category)
{
    for (const CategoryData &data : categoryData) {
        if (data.category == category)
            return data;
    }
    Q_UNREACHABLE();
}

} // namespace

namespace SettingsCategories {

const QList<SettingsCategory> &allCases()
{
    static const QList<SettingsCategory> cases = [] {
        QList<SettingsCategory> list;
        for (const CategoryData &data : categoryData)
            list.append(data.category);
        return list;
    }();
    return cases;
}

QString title(SettingsCategory category)
{
    return QString::fromUtf16(dataOf(category).title);
}

QString icon(SettingsCategory category)
{
    return QString::fromUtf16(dataOf(category).icon);
}

QColor color(SettingsCategory)
{
    return Palette::settingsAccent();
}

std::optional<SettingsCategory> fromTitle(QStringView title)
{
    for (const CategoryData &data : categoryData) {
        if (title == QStringView(data.title))
            return data.category;
    }
    return std::nullopt;
}

} // namespace SettingsCategories
