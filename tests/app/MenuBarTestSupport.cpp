#include "MenuBarTestSupport.h"

#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "app/MenuBarView.h"
#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "platform/ConversationTable.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"
#include "ui/ElidedLabel.h"

#include <QApplication>
#include <QBuffer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTimeZone>

#include <algorithm>

namespace MenuBarTestSupport {

namespace {

struct PlacedText
{
    QPoint position;
    QString text;
};

bool shown(const QWidget *widget, const QWidget *root)
{
    return widget->isVisibleTo(root) && root->isVisible();
}

} // namespace

QDateTime morning()
{
    return QDateTime(QDate(2024, 3, 15), QTime(9, 30), QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

DateEnvironment environmentAt(const QDateTime &now)
{
    return DateEnvironment::fixed(
        now, QLocale(QLocale::English, QLocale::UnitedStates), QTimeZone(QByteArrayLiteral("Europe/Berlin")));
}

QByteArray pngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray samplePng()
{
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(QColor(30, 120, 200));
    return pngBytes(image);
}

Conversation conversation(const QString &title, const QDateTime &createdAt, int messageCount,
    const std::optional<QByteArray> &screenshotData)
{
    QList<SavedMessage> messages;
    for (int index = 0; index < messageCount; ++index) {
        const bool isQuestion = index % 2 == 0;
        messages.append(
            SavedMessage(QStringLiteral("%1 %2").arg(isQuestion ? "Question" : "Answer").arg(index / 2 + 1),
                isQuestion, createdAt.addSecs(60 * index)));
    }
    return Conversation(title, createdAt, screenshotData, messages);
}

void storeConversations(const QList<Conversation> &conversations)
{
    const std::optional<QByteArray> json = ConversationJson::encode(conversations);
    ASSERT_TRUE(json.has_value());
    // In place of whatever is stored, as the list was saved before it was
    // kept in rows.
    ConversationTable table(UserDefaults::standard());
    for (const ConversationRow &row : table.readAll().value_or(QList<ConversationRow>()))
        ASSERT_TRUE(table.remove(row.id));
    ASSERT_TRUE(UserDefaults::standard().setData(QStringLiteral("SavedConversations"), *json));
    // The shared store may have loaded already, earlier in this process.
    ConversationManager::shared().loadConversations();
}

QStringList visibleTexts(const QWidget *root)
{
    QList<PlacedText> texts;
    for (const ElidedLabel *label : root->findChildren<ElidedLabel *>())
        if (shown(label, root))
            texts.append({ label->mapTo(root, QPoint()), label->text() });
    for (const QLabel *label : root->findChildren<QLabel *>())
        if (shown(label, root))
            texts.append({ label->mapTo(root, QPoint()), label->text() });

    std::sort(texts.begin(), texts.end(),
        [](const PlacedText &a, const PlacedText &b) { return a.position.y() < b.position.y(); });
    // Texts of different sizes on one line have their tops a few pixels apart.
    for (qsizetype i = 1; i < texts.size(); ++i)
        for (qsizetype j = i; j > 0 && qAbs(texts[j].position.y() - texts[j - 1].position.y()) <= 4
             && texts[j].position.x() < texts[j - 1].position.x();
             --j)
            std::swap(texts[j], texts[j - 1]);

    QStringList result;
    for (const PlacedText &text : texts)
        result.append(text.text);
    return result;
}

QAbstractButton *buttonNamed(const QWidget *root, const QString &name)
{
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>())
        if (button->accessibleName() == name && shown(button, root))
            return button;
    return nullptr;
}

QList<QAbstractButton *> recentRows(const QWidget *root)
{
    QList<QAbstractButton *> rows;
    for (QAbstractButton *button :
        root->findChildren<QAbstractButton *>(QStringLiteral("recentConversationRow")))
        if (shown(button, root))
            rows.append(button);
    std::sort(rows.begin(), rows.end(), [root](const QAbstractButton *a, const QAbstractButton *b) {
        return a->mapTo(root, QPoint()).y() < b->mapTo(root, QPoint()).y();
    });
    return rows;
}

QStringList recentTitles(const QWidget *root)
{
    QStringList titles;
    for (const QAbstractButton *row : recentRows(root))
        titles.append(row->accessibleName());
    return titles;
}

void resetSharedObjects()
{
    ConversationManager::shared().loadConversations();
    // Ended without saving what an earlier case left.
    AIManager::shared().resetForNewScreenshot();
    CurrentConversation::shared().end();
    ChatWindowManager &chat = ChatWindowManager::shared();
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == QLatin1String("Pexilo Chat"))
            widget->close();
    chat.setIsOpen(false);
    chat.setCurrentScreenshot(std::nullopt);
    chat.removeAllMessages();
}

void MenuBarFixture::SetUp()
{
    resetSharedObjects();
    AppWiring::install();
    DateEnvironment::setCurrent(environmentAt(morning()));
}

void MenuBarFixture::TearDown()
{
    m_window.reset();
    DateEnvironment::setCurrent(DateEnvironment::system());
}

MenuBarWindow &MenuBarFixture::openPanel()
{
    if (!m_window) {
        m_onboarding = std::make_unique<OnboardingManager>();
        m_window = std::make_unique<MenuBarWindow>(
            new MenuBarView(ScreenshotManager::shared(), AIManager::shared(), *m_onboarding, m_thumbnails));
    }
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    m_window->popUp(QRect(screen.right() - 40, screen.top(), 24, 24));
    return *m_window;
}

void MenuBarFixture::click(const QString &buttonName)
{
    QAbstractButton *button = buttonNamed(m_window.get(), buttonName);
    ASSERT_NE(button, nullptr) << buttonName.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace MenuBarTestSupport
