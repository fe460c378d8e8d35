// The settings window's frame: its categories and sidebar, its header, and
// when it loads and saves.

#include "SettingsTestSupport.h"
#include "platform/AppEvents.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "settings/AISettingsView.h"
#include "settings/AboutSettingsView.h"
#include "settings/AccountSettingsView.h"
#include "settings/AutomationSettingsView.h"
#include "settings/GeneralSettingsView.h"
#include "settings/ModernSettingsRow.h"
#include "settings/ScreenshotSettingsView.h"
#include "settings/SidebarItem.h"
#include "store/SettingsManager.h"
#include "ui/Palette.h"
#include "ui/ToggleSwitch.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

QString shownTitle(const SettingsView &view)
{
    return view.findChild<QLabel *>(QStringLiteral("categoryTitle"))->text();
}

QString shownDescription(const SettingsView &view)
{
    return view.findChild<QLabel *>(QStringLiteral("categoryDescription"))->text();
}

// What each category shows: title, symbol, description and panel.
struct CategoryCase
{
    SettingsCategory category;
    QString title;
    QString icon;
    QString description;
    const QMetaObject *panel;
};

const QList<CategoryCase> categoryCases = {
    { SettingsCategory::general, QStringLiteral("General"), QStringLiteral("gearshape.fill"),
        QStringLiteral("Basic app settings and preferences"), &GeneralSettingsView::staticMetaObject },
    { SettingsCategory::account, QStringLiteral("Account"), QStringLiteral("person.crop.circle.fill"),
        QStringLiteral("Your name and how Pexilo greets you"), &AccountSettingsView::staticMetaObject },
    { SettingsCategory::ai, QStringLiteral("AI & Analysis"), QStringLiteral("brain.head.profile"),
        QStringLiteral("Configure AI models and analysis settings"), &AISettingsView::staticMetaObject },
    { SettingsCategory::screenshots, QStringLiteral("Screenshots"), QStringLiteral("camera.fill"),
        QStringLiteral("Screenshot capture and storage options"), &ScreenshotSettingsView::staticMetaObject },
    { SettingsCategory::automation, QStringLiteral("Automation"), QStringLiteral("wand.and.stars"),
        QStringLiteral("Smart automation and workflow features"), &AutomationSettingsView::staticMetaObject },
    { SettingsCategory::about, QStringLiteral("About"), QStringLiteral("info.circle.fill"),
        QStringLiteral("App information and support"), &AboutSettingsView::staticMetaObject },
};

using SettingsViewTest = SettingsFixture;

} // namespace

TEST(SettingsCategoryTest, TitlesSymbolsAndOrder)
{
    QList<SettingsCategory> expectedOrder;
    for (const CategoryCase &c : categoryCases) {
        expectedOrder.append(c.category);
        EXPECT_EQ(SettingsCategories::title(c.category), c.title);
        EXPECT_EQ(SettingsCategories::icon(c.category), c.icon);
        EXPECT_EQ(SettingsCategories::fromTitle(c.title), c.category);
        EXPECT_EQ(SettingsCategories::color(c.category), QColor::fromRgbF(0.93f, 0.4f, 0.14f));
    }
    EXPECT_EQ(SettingsCategories::allCases(), expectedOrder);

    for (const QString &other : { QStringLiteral("general"), QStringLiteral("AI & analysis"),
             QStringLiteral("ai"), QStringLiteral(" General"), QStringLiteral("About "), QString() }) {
        SCOPED_TRACE(other.toStdString());
        EXPECT_EQ(SettingsCategories::fromTitle(other), std::nullopt);
    }
}

TEST_F(SettingsViewTest, EveryItemSwitchesHeaderAndPanelAtOnce)
{
    SettingsView &view = openWindow();
    ASSERT_EQ(view.sidebarItems().size(), categoryCases.size());
    // Back to front, so that every switch goes somewhere new.
    for (auto c = categoryCases.crbegin(); c != categoryCases.crend(); ++c) {
        SCOPED_TRACE(c->title.toStdString());
        select(c->category);
        EXPECT_EQ(view.selectedCategory(), c->category);
        EXPECT_EQ(shownTitle(view), c->title);
        EXPECT_EQ(shownDescription(view), c->description);
        EXPECT_EQ(view.currentPanel()->metaObject(), c->panel);
        EXPECT_TRUE(view.currentPanel()->isVisible());
        for (SidebarItem *item : view.sidebarItems())
            EXPECT_EQ(item->isSelected(), item->category() == c->category);
    }

    // The item already selected changes nothing.
    SettingsPanel *panel = view.currentPanel();
    select(SettingsCategory::general);
    EXPECT_EQ(view.currentPanel(), panel);
    EXPECT_EQ(view.selectedCategory(), SettingsCategory::general);
}

TEST_F(SettingsViewTest, EveryWindowOpensOnGeneral)
{
    SettingsView &first = openWindow();
    EXPECT_EQ(first.selectedCategory(), SettingsCategory::general);
    EXPECT_EQ(shownTitle(first), QStringLiteral("General"));
    EXPECT_TRUE(first.sidebarItems().first()->isSelected());
    select(SettingsCategory::automation);
    closeWindow();

    SettingsView &second = openWindow();
    EXPECT_EQ(second.selectedCategory(), SettingsCategory::general);
    EXPECT_EQ(shownTitle(second), QStringLiteral("General"));
    EXPECT_EQ(second.currentPanel()->metaObject(), &GeneralSettingsView::staticMetaObject);
    EXPECT_TRUE(second.sidebarItems().first()->isSelected());
}

TEST_F(SettingsViewTest, TheSelectedItemIsWhiteOnTheAccentAndTheOthersAccentOnNothing)
{
    SettingsView &view = openWindow();
    const QColor accent = Palette::settingsAccent();
    const auto look = [&](SidebarItem *item) {
        QImage picture = item->grab().toImage();
        // The symbol's middle column, the title's band, and a corner of the fill.
        struct
        {
            QColor fill;
            bool iconAccent = false, iconWhite = false, titleWhite = false, titleDark = false;
        } seen;
        seen.fill = picture.pixelColor(8, picture.height() / 2);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 16; x < 36; ++x) {
                const QColor c = picture.pixelColor(x, y);
                seen.iconWhite |= c.rgb() == QColor(Qt::white).rgb();
                seen.iconAccent |= c.rgb() == accent.rgb();
            }
            for (int x = 48; x < 90; ++x) {
                const QColor c = picture.pixelColor(x, y);
                seen.titleWhite |= c.rgb() == QColor(Qt::white).rgb();
                seen.titleDark |= c.alpha() > 128 && c.lightness() < 80;
            }
        }
        return seen;
    };

    const auto selected = look(view.sidebarItems().at(0));
    EXPECT_EQ(selected.fill.rgb(), accent.rgb());
    EXPECT_TRUE(selected.iconWhite);
    EXPECT_TRUE(selected.titleWhite);
    EXPECT_FALSE(selected.titleDark);

    const auto other = look(view.sidebarItems().at(1));
    EXPECT_EQ(other.fill.rgb(), Palette::windowBackground().rgb()) << "the sidebar shows through";
    EXPECT_TRUE(other.iconAccent);
    EXPECT_FALSE(other.iconWhite);
    EXPECT_TRUE(other.titleDark);
    EXPECT_FALSE(other.titleWhite);
}

TEST_F(SettingsViewTest, ARowWithoutSubtitleShowsItsTitleAlone)
{
    ModernSettingsRow plain(QStringLiteral("Name"), std::nullopt, new QWidget);
    ModernSettingsRow full(QStringLiteral("Name"), QStringLiteral("Used to personalize"), new QWidget);
    const auto texts = [](const QWidget &row) {
        QStringList shown;
        for (const QLabel *label : row.findChildren<QLabel *>())
            shown.append(label->text());
        return shown;
    };
    EXPECT_EQ(texts(plain), QStringList { QStringLiteral("Name") });
    EXPECT_EQ(texts(full), QStringList({ QStringLiteral("Name"), QStringLiteral("Used to personalize") }));
    EXPECT_LT(plain.sizeHint().height(), full.sizeHint().height());
}

TEST_F(SettingsViewTest, EveryTextIsInTheSystemFont)
{
    const QString system = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    const QString fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    SettingsView &view = openWindow();
    for (const CategoryCase &c : categoryCases) {
        select(c.category);
        for (const QWidget *widget : view.findChildren<QWidget *>()) {
            const QString family = widget->font().family();
            EXPECT_TRUE(family == system || (family == fixed && widget->objectName() == "keyboardShortcut"))
                << widget->metaObject()->className() << " in " << c.title.toStdString() << " uses "
                << family.toStdString();
        }
    }
}

TEST_F(SettingsViewTest, LoadsWhenShownKeepsEditsAcrossCategoriesAndSavesOnceWhenClosed)
{
    QSignalSpy saved(&AppEvents::instance(), &AppEvents::settingsSaved);
    SettingsView &view = openWindow();
    closeWindow();
    ASSERT_EQ(saved.count(), 1);

    // Stored after the view was made: the next showing loads it.
    defaults().setString(SettingsKeys::userName.name, QStringLiteral("Ada"));
    window().show();
    select(SettingsCategory::account);
    QLineEdit *name = control<QLineEdit>(QStringLiteral("Name"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), QStringLiteral("Ada"));

    name->selectAll();
    QTest::keyClicks(name, QStringLiteral("Grace"));
    select(SettingsCategory::general);
    QTest::mouseClick(control<ToggleSwitch>(QStringLiteral("Show Keyboard Shortcuts")), Qt::LeftButton);
    select(SettingsCategory::account);
    EXPECT_EQ(control<QLineEdit>(QStringLiteral("Name"))->text(), QStringLiteral("Grace"));
    EXPECT_TRUE(view.settings().showKeyboardShortcuts());
    // Nothing reaches the defaults while the window is open.
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::userName.name), QStringLiteral("Ada"));
    EXPECT_FALSE(defaults().boolForKey(SettingsKeys::showKeyboardShortcuts.name));
    EXPECT_EQ(saved.count(), 1);

    closeWindow();
    EXPECT_EQ(saved.count(), 2);
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::userName.name), QStringLiteral("Grace"));
    EXPECT_TRUE(defaults().boolForKey(SettingsKeys::showKeyboardShortcuts.name));

    // Replaced or let go after closing: no second save.
    openWindow();
    EXPECT_EQ(saved.count(), 2);
}

TEST_F(SettingsViewTest, QuittingWithTheWindowOpenSavesOnce)
{
    QSignalSpy saved(&AppEvents::instance(), &AppEvents::settingsSaved);
    openWindow();
    select(SettingsCategory::account);
    QTimer::singleShot(0, [&] {
        QTest::keyClicks(control<QLineEdit>(QStringLiteral("Name")), QStringLiteral("Lin"));
        QCoreApplication::quit();
    });
    QApplication::exec();

    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::userName.name), QStringLiteral("Lin"));
    // The window that goes away afterwards saves nothing more.
    closeWindow();
    EXPECT_EQ(saved.count(), 1);
}

TEST_F(SettingsViewTest, AViewDeletedOnScreenSavesWhatItHeld)
{
    openWindow();
    select(SettingsCategory::account);
    QTest::keyClicks(control<QLineEdit>(QStringLiteral("Name")), QStringLiteral("Kay"));
    delete &window();
    EXPECT_EQ(defaults().stringForKey(SettingsKeys::userName.name), QStringLiteral("Kay"));
}

namespace {

// What has the keyboard focus, as a user would name it: a sidebar item by
// its title, a panel's control by its row's title.
QString focusName()
{
    QWidget *focus = QApplication::focusWidget();
    if (!focus)
        return QStringLiteral("(nothing)");
    for (QWidget *widget = focus; widget; widget = widget->parentWidget()) {
        if (auto *item = qobject_cast<SidebarItem *>(widget))
            return QStringLiteral("item ") + item->text();
        if (auto *row = qobject_cast<ModernSettingsRow *>(widget))
            return QStringLiteral("row ") + row->title();
    }
    return QString::fromLatin1(focus->metaObject()->className());
}

// The list as one line, so that a difference reads plainly.
std::string joined(const QStringList &names)
{
    return names.join(QStringLiteral(", ")).toStdString();
}

QStringList tabStops(int count)
{
    QStringList stops;
    for (int n = 0; n < count; ++n) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.append(focusName());
    }
    return stops;
}

} // namespace

// A user without a mouse reaches every category and every control with Tab,
// and chooses a category with Space or Return.
TEST_F(SettingsViewTest, TheKeyboardAloneReachesEveryCategoryAndControl)
{
    SettingsView &view = openWindow();
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    view.sidebarItems().last()->setFocus(Qt::OtherFocusReason);

    EXPECT_EQ(joined(tabStops(10)),
        joined({ QStringLiteral("row Launch at Login"), QStringLiteral("row Keyboard Shortcut"),
            QStringLiteral("row Show Keyboard Shortcuts"), QStringLiteral("item General"),
            QStringLiteral("item Account"), QStringLiteral("item AI & Analysis"),
            QStringLiteral("item Screenshots"), QStringLiteral("item Automation"),
            QStringLiteral("item About"), QStringLiteral("row Launch at Login") }));

    // Back to "AI & Analysis"; Space chooses it and the focus stays on it.
    view.sidebarItems().first()->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(joined(tabStops(2)),
        joined({ QStringLiteral("item Account"), QStringLiteral("item AI & Analysis") }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(view.selectedCategory(), SettingsCategory::ai);
    EXPECT_EQ(focusName().toStdString(), "item AI & Analysis");

    // On through the other items to the panel's key field.
    EXPECT_EQ(joined(tabStops(5).mid(3)),
        joined({ QStringLiteral("row Preferred AI Model"), QStringLiteral("row OpenAI API Key") }));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("sk-typed"));
    EXPECT_EQ(view.settings().apiKey(), QStringLiteral("sk-typed"));

    // Return on an item chooses it as well; the focus that was in the panel
    // going away stays in the sidebar.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(focusName().toStdString(), "item About");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(view.selectedCategory(), SettingsCategory::about);

    view.sidebarItems().at(1)->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(tabStops(5).last().toStdString(), "row Support");
    select(SettingsCategory::general);
    EXPECT_EQ(focusName().toStdString(), "item General");
}

// Clicks on what takes no input (a row's text, the pane around the rows, the
// sidebar's empty part, the item already chosen) leave the keyboard in the
// field being typed into.
TEST_F(SettingsViewTest, AClickOnAnEmptyPlaceKeepsTheFocusWhereItIs)
{
    SettingsView &view = openWindow();
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    select(SettingsCategory::ai);
    QLineEdit *key = control<QLineEdit>(QStringLiteral("OpenAI API Key"));
    ASSERT_NE(key, nullptr);
    QTest::mouseClick(key, Qt::LeftButton);
    ASSERT_TRUE(key->hasFocus());

    ModernSettingsRow *row = this->row(QStringLiteral("OpenAI API Key"));
    SidebarItem *chosen = view.sidebarItems().at(2);
    const QList<std::pair<QWidget *, QPoint>> places = {
        { row, QPoint(10, row->height() / 2) },
        { view.currentPanel()->parentWidget(),
            QPoint(10, view.currentPanel()->parentWidget()->height() - 10) },
        { view.sidebarItems().last()->parentWidget(),
            QPoint(10, view.sidebarItems().last()->parentWidget()->height() - 10) },
        { chosen, chosen->rect().center() },
    };
    for (const auto &[widget, point] : places) {
        SCOPED_TRACE(widget->metaObject()->className());
        QTest::mouseClick(widget, Qt::LeftButton, {}, point);
        EXPECT_TRUE(key->hasFocus()) << "the focus went to " << focusName().toStdString();
        QTest::keyClicks(key, QStringLiteral("x"));
    }
    EXPECT_EQ(view.settings().apiKey(), QStringLiteral("xxxx"));
}

TEST_F(SettingsViewTest, TheNarrowestWindowStillShowsEveryControlWhole)
{
    openWindow();
    for (const CategoryCase &c : categoryCases) {
        SCOPED_TRACE(c.title.toStdString());
        select(c.category);
        // As narrow and as low as the window lets itself be made, once the
        // new panel's size has come up through the layouts.
        QTest::qWait(20);
        window().resize(window().minimumSize());
        QTest::qWait(20);
        EXPECT_GT(window().minimumWidth(), SettingsView::sidebarWidth);
        EXPECT_LT(window().minimumHeight(), 400) << "the panel scrolls on a low screen";
        const QRect shown = window().rect();
        for (ModernSettingsRow *row : view().findChildren<ModernSettingsRow *>()) {
            if (!row->isVisibleTo(&window()))
                continue;
            const QRect control(row->content()->mapTo(&window(), QPoint()), row->content()->size());
            EXPECT_LE(control.right(), shown.right()) << row->title().toStdString() << " is cut at the right";
            EXPECT_GE(control.width(),
                qMin(row->content()->minimumSizeHint().width(), row->content()->maximumWidth()))
                << row->title().toStdString() << " is squeezed";
        }
    }
}

TEST_F(SettingsViewTest, EscapeAndCtrlWCloseTheWindowAndSave)
{
    QSignalSpy saved(&AppEvents::instance(), &AppEvents::settingsSaved);
    for (const QKeyCombination keys : { QKeyCombination(Qt::Key_Escape), Qt::CTRL | Qt::Key_W }) {
        openWindow();
        window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
        select(SettingsCategory::account);
        QLineEdit *name = control<QLineEdit>(QStringLiteral("Name"));
        ASSERT_NE(name, nullptr);
        name->setFocus();
        QTest::keyClicks(name, QStringLiteral("Ada"));
        const qsizetype before = saved.count();
        QTest::keyClick(name, keys.key(), keys.keyboardModifiers());
        EXPECT_FALSE(window().isVisible()) << QKeySequence(keys).toString().toStdString();
        EXPECT_EQ(saved.count(), before + 1);
    }
}
