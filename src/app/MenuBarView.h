#pragma once

#include "ai/AIResponse.h"
#include "store/Conversation.h"
#include "store/DateEnvironment.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <QUuid>
#include <QWidget>

class AIManager;
class ConversationThumbnail;
class ConversationThumbnails;
class ElidedLabel;
class MenuBarButton;
class OnboardingManager;
class QLabel;
class QMessageBox;
class ScreenshotManager;
class SettingsManager;

// The panel that the tray icon opens: the product name with a greeting, the
// capture command, the two newest saved conversations, rows that reopen a
// conversation and open the settings, help and about rows, and Quit.
//
// What it shows is read afresh each time it comes on screen, and while it is
// on screen whenever one of the objects it observes (the capture manager, the
// AI client, the onboarding manager and its own settings) announces a change.
// It does not follow the conversation store by itself. While settings wait to
// be stored, a notice under the header says so.
//
// Every command but Quit first closes the panel's window, then acts.
class MenuBarView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int panelWidth = 280;
    // How many of the newest conversations the panel lists.
    static constexpr int recentCount = 2;
    // How long after the panel has closed a command acts.
    static constexpr int commandDelayMs = 100;
    static constexpr int openRecentConversationDelayMs = 200;

    // The managers and the thumbnails are the application's own; they must
    // outlive the view.
    MenuBarView(ScreenshotManager &screenshotManager, AIManager &aiManager,
        OnboardingManager &onboardingManager, ConversationThumbnails &thumbnails, QWidget *parent = nullptr);
    ~MenuBarView() override;

    // "Good morning", "Good afternoon", "Good evening" or "Hello" by the hour
    // of now, followed by ", " and the name; no suffix without a name.
    static QString greeting(
        const QString &userName, const DateEnvironment &environment = DateEnvironment::current());

    // The link that "Help & Support" opens in the user's mail client.
    static QUrl supportMailUrl();

    // Continues the conversation in the chat window, with its screenshot and
    // its messages paired into answers, after the conversation shown so far
    // has been saved; opens nothing, and says so in the log, when it has no
    // screenshot that decodes as an image.
    static void openConversation(const Conversation &conversation);
    // The messages as answers: the first of each pair the question, the
    // second the answer and its time. A last message without a partner is
    // dropped.
    static QList<AIResponse> conversationToAIResponses(const Conversation &conversation);

    // The saved conversations have arrived from their load in the
    // background: a panel on screen shows them.
    void savedConversationsLoaded();

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private Q_SLOTS:
    void scheduleRefresh();

private:
    QLayout *header();
    // Says that settings wait to be stored, while they do.
    QWidget *unsavedNotice();
    QLayout *captureAndRecent();
    QLayout *conversationsAndSettings();
    QLayout *helpAndAbout();
    QLayout *quit();

    // Follows every published property of the object while the view is on screen.
    void observe(QObject *object);
    // Reads the onboarding manager and the saved conversations and shows them.
    void refresh();
    void showRecent(const QList<Conversation> &conversations);
    QWidget *emptyState();
    QWidget *recentConversationsSection(const QList<Conversation> &conversations);
    QWidget *recentRow(const Conversation &conversation);
    void showThumbnail(const QUuid &id, qreal devicePixelRatio, const QImage &image);

    void dismiss();
    void takeScreenshot();
    void showConversations();
    void openRecentConversation(const Conversation &conversation);
    void showSettings();
    void showSupport();
    void showAbout();

    ScreenshotManager &m_screenshotManager;
    AIManager &m_aiManager;
    OnboardingManager &m_onboardingManager;
    ConversationThumbnails &m_thumbnails;
    SettingsManager *m_settingsManager;

    ElidedLabel *m_greeting = nullptr;
    ElidedLabel *m_shortcut = nullptr;
    QLabel *m_unsavedNotice = nullptr;
    QWidget *m_recentArea = nullptr;
    MenuBarButton *m_recentConversationsRow = nullptr;
    QTimer m_refreshTimer;
    // The About box while it is open; a second click raises it.
    QPointer<QMessageBox> m_about;
    // The recent rows' pictures, by conversation, to fill in once decoded.
    QHash<QUuid, QPointer<ConversationThumbnail>> m_thumbnailViews;
};
