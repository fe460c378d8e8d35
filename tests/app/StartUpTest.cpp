// What the application does once it runs: the saved conversations load in
// the background, and the panel does not wait for them or their pictures.
// One case, since the store it starts is the process's own.

#include "ai/AIManager.h"
#include "app/ConversationThumbnail.h"
#include "app/MenuBarWindow.h"
#include "app/PexiloApp.h"
#include "platform/ImageData.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <QAbstractButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

Conversation savedConversation(const QString &title, const QColor &colour, int minutesAgo)
{
    QImage screenshot(320, 200, QImage::Format_RGB32);
    screenshot.fill(colour);
    const QDateTime when = QDateTime::currentDateTimeUtc().addSecs(-60 * minutesAgo);
    return Conversation(title, when, ImageData::pngData(screenshot),
        { SavedMessage(QStringLiteral("What is this?"), true, when),
            SavedMessage(QStringLiteral("A colour."), false, when) });
}

QStringList listedTitles(const QWidget *panel)
{
    QStringList titles;
    for (const QAbstractButton *row :
        panel->findChildren<QAbstractButton *>(QStringLiteral("recentConversationRow")))
        if (row->isVisible())
            titles.append(row->accessibleName());
    return titles;
}

QList<const ConversationThumbnail *> shownThumbnails(const QWidget *panel)
{
    QList<const ConversationThumbnail *> thumbnails;
    for (const ConversationThumbnail *thumbnail : panel->findChildren<ConversationThumbnail *>())
        if (thumbnail->isVisible())
            thumbnails.append(thumbnail);
    return thumbnails;
}

// The load, the save and the decoding run on worker threads, which a busy
// machine may keep waiting for seconds.
constexpr int generousTimeoutMs = 30000;

} // namespace

TEST(StartUpTest, TheSavedConversationsArriveInTheBackgroundAndTheirPicturesAhead)
{
    // As an earlier run left them.
    const std::optional<QByteArray> stored
        = ConversationJson::encode({ savedConversation(QStringLiteral("Red"), Qt::red, 1),
            savedConversation(QStringLiteral("Green"), Qt::green, 2) });
    ASSERT_TRUE(stored);
    ASSERT_TRUE(UserDefaults::standard().setData(QStringLiteral("SavedConversations"), *stored));

    PexiloApp app;
    app.applicationDidStart();
    // A click at once: the load's result can only arrive through the event
    // loop, which has not turned yet. The panel shows without it.
    app.openMenuBarWindow();
    MenuBarWindow &panel = app.menuBarWindow();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_TRUE(listedTitles(&panel).isEmpty());

    // The open panel lists them once they are there.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return listedTitles(&panel) == QStringList({ "Red", "Green" });
        },
        generousTimeoutMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const QList<const ConversationThumbnail *> thumbnails = shownThumbnails(&panel);
            return thumbnails.size() == 2 && thumbnails[0]->showsScreenshot()
                && thumbnails[1]->showsScreenshot();
        },
        generousTimeoutMs));
    panel.close();

    // A conversation saved later has its picture decoded before the panel
    // opens again.
    QSignalSpy decoded(&app.thumbnails(), &ConversationThumbnails::thumbnailReady);
    QImage blue(320, 200, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    CurrentConversation::shared().start(blue);
    AIManager::shared().setResponses({ { QStringLiteral("Blue."), QDateTime::currentDateTimeUtc(),
        std::nullopt, QStringLiteral("Which colour?") } });
    ConversationManager::shared().saveCurrentConversation();
    ASSERT_TRUE(decoded.wait(generousTimeoutMs));
    app.openMenuBarWindow();
    ASSERT_EQ(listedTitles(&panel), QStringList({ "Which colour?", "Red" }));
    EXPECT_TRUE(shownThumbnails(&panel).value(0)->showsScreenshot()) << "the panel waited for the picture";
}
