// What the tray panel shows: every row and text, the greeting by the hour,
// the recent conversations, and when it reads them.

#include "app/MenuBarView.h"

#include "AppTestSupport.h"
#include "MenuBarTestSupport.h"
#include "ai/AIManager.h"
#include "app/ConversationThumbnail.h"
#include "chat/ChatWindowManager.h"
#include "platform/PendingDefaults.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"
#include "store/SettingsManager.h"
#include "support/DatabaseLock.h"
#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QLabel>
#include <QTest>
#include <QTimeZone>

#include <gtest/gtest.h>

using namespace MenuBarTestSupport;

namespace {

void storeOnboardingAnswers(const QString &userName, bool showKeyboardShortcuts)
{
    UserDefaults::standard().setString(SettingsKeys::userName.name, userName);
    UserDefaults::standard().setBool(SettingsKeys::showKeyboardShortcuts.name, showKeyboardShortcuts);
}

const ElidedLabel *labelWithText(const QWidget *root, const QString &text)
{
    for (const ElidedLabel *label : root->findChildren<ElidedLabel *>())
        if (label->text() == text && label->isVisibleTo(root))
            return label;
    return nullptr;
}

// The saved conversations newest first, made `count` hours apart before morning().
QList<Conversation> conversationsBefore(int count)
{
    QList<Conversation> conversations;
    for (int index = 0; index < count; ++index)
        conversations.append(conversation(QStringLiteral("Conversation %1").arg(index + 1),
            morning().addSecs(-3600 * (index + 1)), 2 * (index + 1)));
    return conversations;
}

class MenuBarViewTest : public MenuBarFixture
{
};

} // namespace

TEST(MenuBarGreetingTest, ChangesItsWordAtTheBoundaryHours)
{
    const struct
    {
        int hour;
        int minute;
        const char *word;
    } cases[] = {
        { 0, 0, "Hello" },
        { 5, 59, "Hello" },
        { 6, 0, "Good morning" },
        { 11, 59, "Good morning" },
        { 12, 0, "Good afternoon" },
        { 16, 59, "Good afternoon" },
        { 17, 0, "Good evening" },
        { 21, 59, "Good evening" },
        { 22, 0, "Hello" },
        { 23, 59, "Hello" },
    };
    for (const auto &c : cases) {
        // The clock runs in UTC; the hour is the one on the wall in Berlin.
        const QDateTime now = QDateTime(
            QDate(2024, 7, 1), QTime(c.hour, c.minute), QTimeZone(QByteArrayLiteral("Europe/Berlin")))
                                  .toUTC();
        EXPECT_EQ(MenuBarView::greeting(QStringLiteral("Ada"), environmentAt(now)),
            QString::fromUtf8(c.word) + QStringLiteral(", Ada"))
            << c.hour << ":" << c.minute;
    }
    EXPECT_EQ(MenuBarView::greeting(QString(), environmentAt(morning())), QStringLiteral("Good morning"));
}

TEST_F(MenuBarViewTest, ShowsEverySectionInOrderWithOneConversation)
{
    storeOnboardingAnswers(QStringLiteral("Ada"), true);
    storeConversations({ conversation(QStringLiteral("What is this chart?"), morning().addSecs(-600), 2) });

    const MenuBarWindow &window = openPanel();

    EXPECT_EQ(visibleTexts(&window),
        QStringList({ "Pexilo", "BETA", "Good morning, Ada", "Take Screenshot", "Ctrl+Shift+2", "Recent",
            "View All", "What is this chart?", "9:20 AM", "Recent Conversations", "1 saved", "Settings",
            "Preferences & Account", "Help & Support", "Get help, send feedback", "About Pexilo",
            "Version 1.0.0 Beta", "Quit Pexilo" }));
    EXPECT_EQ(view().width(), 280);
    ASSERT_EQ(recentRows(&window).size(), 1);
    const auto *thumbnail = recentRows(&window).first()->findChild<ConversationThumbnail *>();
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return thumbnail->showsScreenshot(); }));
}

TEST_F(MenuBarViewTest, DrawsEachTextInItsFontAndColour)
{
    storeOnboardingAnswers(QStringLiteral("Ada"), true);
    storeConversations({ conversation(QStringLiteral("A chart"), morning().addDays(-1), 2) });
    const MenuBarWindow &window = openPanel();

    const QColor white(Qt::white);
    const struct
    {
        const char *text;
        const char *font;
        int size;
        QColor colour;
    } cases[] = {
        { "Pexilo", Fonts::hafferSemiBold, 18, Palette::primaryLabel() },
        { "Good morning, Ada", Fonts::hafferRegular, 12, Palette::secondaryLabel() },
        { "Take Screenshot", Fonts::hafferMedium, 15, white },
        { "Ctrl+Shift+2", Fonts::hafferRegular, 11, Palette::withOpacity(white, 0.8) },
        { "Recent", Fonts::hafferMedium, 12, Palette::secondaryLabel() },
        { "View All", Fonts::hafferRegular, 11, Palette::orange() },
        { "A chart", Fonts::hafferRegular, 13, Palette::primaryLabel() },
        { "Yesterday", Fonts::hafferRegular, 11, Palette::secondaryLabel() },
        { "Recent Conversations", Fonts::hafferMedium, 14, Palette::primaryLabel() },
        { "1 saved", Fonts::hafferRegular, 12, Palette::secondaryLabel() },
        { "Quit Pexilo", Fonts::hafferRegular, 13, Palette::red() },
    };
    for (const auto &c : cases) {
        const ElidedLabel *label = labelWithText(&window, QString::fromUtf8(c.text));
        ASSERT_NE(label, nullptr) << c.text;
        EXPECT_EQ(label->font().families().value(0), QString::fromLatin1(c.font)) << c.text;
        EXPECT_EQ(label->font().pixelSize(), c.size) << c.text;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), c.colour) << c.text;
    }
    const QLabel *badge = window.findChild<QLabel *>();
    ASSERT_NE(badge, nullptr);
    EXPECT_EQ(badge->text(), QStringLiteral("BETA"));
    EXPECT_EQ(badge->font().families().value(0), QString::fromLatin1(Fonts::hafferMedium));
    EXPECT_EQ(badge->font().pixelSize(), 9);
}

TEST_F(MenuBarViewTest, WithoutConversationsShowsTheEmptyStateAndNoName)
{
    storeOnboardingAnswers(QString(), false);

    const MenuBarWindow &window = openPanel();

    EXPECT_EQ(visibleTexts(&window),
        QStringList({ "Pexilo", "BETA", "Take Screenshot", "No recent conversations",
            "Take a screenshot to get started!", "Recent Conversations", "0 saved", "Settings",
            "Preferences & Account", "Help & Support", "Get help, send feedback", "About Pexilo",
            "Version 1.0.0 Beta", "Quit Pexilo" }));
    EXPECT_EQ(buttonNamed(&window, QStringLiteral("View All")), nullptr);
}

TEST_F(MenuBarViewTest, ListsOnlyTheTwoNewestOfFiveConversations)
{
    QList<Conversation> conversations = conversationsBefore(5);
    conversations[1] = conversation(QStringLiteral("Not a picture"), morning().addSecs(-7200), 2,
        QByteArrayLiteral("these bytes are not an image"));
    storeConversations(conversations);

    const MenuBarWindow &window = openPanel();

    EXPECT_EQ(recentTitles(&window), QStringList({ "Conversation 1", "Not a picture" }));
    EXPECT_NE(labelWithText(&window, QStringLiteral("5 saved")), nullptr);
    const QList<QAbstractButton *> rows = recentRows(&window);
    const auto *first = rows[0]->findChild<ConversationThumbnail *>();
    const auto *second = rows[1]->findChild<ConversationThumbnail *>();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first->isLoading() && !second->isLoading(); }));
    EXPECT_TRUE(first->showsScreenshot());
    EXPECT_FALSE(second->showsScreenshot()) << "bytes that are not an image show the photo symbol";
}

// A screenshot takes a while to decode: the panel shows its rows at once
// and each picture follows when its decode, away from the GUI thread, is done.
TEST_F(MenuBarViewTest, ThePanelShowsAtOnceAndItsThumbnailsFollow)
{
    storeConversations({ conversation(QStringLiteral("With a screenshot"), morning().addSecs(-60), 2),
        conversation(QStringLiteral("Without one"), morning().addSecs(-120), 2, std::nullopt) });

    MenuBarWindow &window = openPanel();
    const auto thumbnails = [&] {
        QList<const ConversationThumbnail *> found;
        for (const QAbstractButton *row : recentRows(&window))
            found.append(row->findChild<ConversationThumbnail *>());
        return found;
    };
    ASSERT_EQ(thumbnails().size(), 2);
    EXPECT_TRUE(thumbnails()[0]->isLoading()) << "the panel waited for the decode";
    EXPECT_FALSE(thumbnails()[1]->isLoading()) << "nothing to decode, nothing to wait for";
    EXPECT_FALSE(thumbnails()[1]->showsScreenshot());
    EXPECT_TRUE(QTest::qWaitFor([&] { return thumbnails()[0]->showsScreenshot(); }));

    // Decoded once: the next opening shows the picture at once.
    window.close();
    openPanel();
    EXPECT_TRUE(thumbnails()[0]->showsScreenshot());
}

TEST_F(MenuBarViewTest, CutsALongTitleToOneLine)
{
    const QString title = QStringLiteral("A question long enough that it cannot fit in the panel's width...");
    storeConversations({ conversation(title, morning().addDays(-3), 2, std::nullopt) });

    const MenuBarWindow &window = openPanel();

    const ElidedLabel *label = labelWithText(&window, title);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->displayedText().endsWith(QChar(0x2026))) << label->displayedText().toStdString();
    EXPECT_LT(label->displayedText().size(), title.size());
    EXPECT_EQ(label->height(), label->fontMetrics().height());
    EXPECT_LE(recentRows(&window).first()->width(), 280);
    EXPECT_NE(labelWithText(&window, QStringLiteral("Mar 12")), nullptr);
}

TEST_F(MenuBarViewTest, LogsTheSavedConversationsEachTimeItComesOnScreen)
{
    storeConversations({ conversation(QStringLiteral("Newest"), morning(), 4),
        conversation(QStringLiteral("Older"), morning().addDays(-2), 3) });
    ConversationManager::shared(); // loaded, and logged so, before the panel shows
    LogCapture log;

    MenuBarWindow &window = openPanel();
    window.close();
    openPanel();

    const QStringList appearance { QStringLiteral("📊 Menu bar loaded - Conversations count: 2"),
        QStringLiteral("📚 Conversation 0: 'Newest' - 4 messages"),
        QStringLiteral("📚 Conversation 1: 'Older' - 3 messages") };
    EXPECT_EQ(log.lines(), appearance + appearance);
}

TEST_F(MenuBarViewTest, ReadsTheListAfreshWhenItComesOnScreenAndWhenWhatItObservesChanges)
{
    storeOnboardingAnswers(QStringLiteral("Ada"), true);
    storeConversations({ conversation(QStringLiteral("First"), morning().addSecs(-600), 2) });
    MenuBarWindow &window = openPanel();
    EXPECT_EQ(recentTitles(&window), QStringList { "First" });

    // A save alone, with the panel open, is not seen: the panel does not follow the store.
    CurrentConversation::shared().start(QImage(10, 10, QImage::Format_ARGB32));
    AIManager::shared().setResponses({ AIResponse {
        QStringLiteral("An answer"), morning(), std::nullopt, QStringLiteral("Second question") } });
    QCoreApplication::processEvents();
    ConversationManager::shared().saveCurrentConversation();
    QCoreApplication::processEvents();
    EXPECT_EQ(ConversationManager::shared().conversations().size(), 2);
    EXPECT_EQ(recentTitles(&window), QStringList { "First" });

    // A change that the panel observes redraws it with the list as it is now.
    onboarding().setUserName(QStringLiteral("Grace"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return recentTitles(&window).size() == 2; }, 10000));
    EXPECT_EQ(recentTitles(&window), QStringList({ "Second question", "First" }));
    EXPECT_NE(labelWithText(&window, QStringLiteral("Good morning, Grace")), nullptr);
    EXPECT_NE(labelWithText(&window, QStringLiteral("2 saved")), nullptr);

    // Closed, the panel does not redraw; it reads everything again as it reopens.
    window.close();
    onboarding().setShowKeyboardShortcuts(false);
    QCoreApplication::processEvents();
    EXPECT_NE(labelWithText(&window, QStringLiteral("Ctrl+Shift+2")), nullptr);
    openPanel();
    EXPECT_EQ(labelWithText(&window, QStringLiteral("Ctrl+Shift+2")), nullptr);
}

// Settings that another program's hold on the file keeps from being stored
// are named in the panel, and what they say shows at once (the name in the
// greeting); the notice goes once they are stored.
TEST_F(MenuBarViewTest, SaysSoWhileSettingsWaitToBeStored)
{
    SettingsManager settings;
    settings.setUserName(QStringLiteral("Ada"));
    DatabaseLock other(UserDefaults::standardPath(), DatabaseLock::Kind::WritesOnly);
    ASSERT_TRUE(other.isHeld());
    settings.saveSettings();
    ASSERT_TRUE(PendingDefaults::standard().hasUnsavedValues());

    const MenuBarWindow &window = openPanel();
    const auto *notice = window.findChild<QLabel *>(QStringLiteral("unsavedNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isVisible());
    EXPECT_EQ(notice->text(),
        QStringLiteral("⚠️ Settings not saved yet: the settings file cannot be written right now. "
                       "Pexilo keeps trying."));
    EXPECT_TRUE(visibleTexts(&window).contains(QStringLiteral("Good morning, Ada")));

    other.release();
    QTRY_VERIFY_WITH_TIMEOUT(!notice->isVisible(), 60000);
    EXPECT_EQ(UserDefaults::standard().stringForKey(SettingsKeys::userName.name), QStringLiteral("Ada"));
}
