#include "MenuBarView.h"

#include "ai/AIManager.h"
#include "app/AppDelegate.h"
#include "app/ConversationThumbnail.h"
#include "chat/ConversationThumbnails.h"
#include "app/MenuBarButton.h"
#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "onboarding/OnboardingManager.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/NetworkEndpoints.h"
#include "platform/PendingDefaults.h"
#include "platform/SettingsKeys.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"
#include "store/MessagePairing.h"
#include "store/SettingsManager.h"
#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/PlainLabel.h"
#include "ui/SymbolImage.h"
#include "ui/WindowPlacement.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>

namespace {

// The shortcut as the capture button shows it: the setting's default, since
// the hot key itself does not follow the "keyboardShortcut" setting.
const QString shortcutText = SettingsKeys::keyboardShortcut.defaultValue;
constexpr int logCutLength = 50;

QBoxLayout *withMargins(QBoxLayout *layout, int horizontal, int vertical, int spacing)
{
    layout->setContentsMargins(horizontal, vertical, horizontal, vertical);
    layout->setSpacing(spacing);
    return layout;
}

QWidget *divider()
{
    auto *line = new QWidget;
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, Palette::separator());
    line->setPalette(palette);
    return line;
}

QLabel *betaBadge()
{
    auto *badge = new QLabel(QStringLiteral("BETA"));
    badge->setTextFormat(Qt::PlainText);
    badge->setFont(Fonts::custom(Fonts::hafferMedium, 9));
    const int height = badge->fontMetrics().height() + 2 * 2;
    badge->setFixedHeight(height);
    badge->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: %1; border-radius: %2px; padding: 0px 6px; }")
            .arg(Palette::orange().name())
            .arg(height / 2));
    return badge;
}

// A text that acts as a button.
PlainButton *textButton(const QString &text, const QFont &font, const QColor &colour)
{
    auto *button = new PlainButton;
    button->setFocusPolicy(Qt::TabFocus);
    button->setAccessibleName(text);
    auto *layout = new QHBoxLayout(button);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ElidedLabel(text, font, colour), 0, Qt::AlignCenter);
    return button;
}

// The first `count` characters as the user sees them.
QString leftCharacters(const QString &text, int count)
{
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    qsizetype end = 0;
    for (int taken = 0; taken < count; ++taken) {
        end = characters.toNextBoundary();
        if (end < 0)
            return text;
    }
    return text.left(end);
}

} // namespace

MenuBarView::MenuBarView(ScreenshotManager &screenshotManager, AIManager &aiManager,
    OnboardingManager &onboardingManager, ConversationThumbnails &thumbnails, QWidget *parent)
    : QWidget(parent)
    , m_screenshotManager(screenshotManager)
    , m_aiManager(aiManager)
    , m_onboardingManager(onboardingManager)
    , m_thumbnails(thumbnails)
    , m_settingsManager(new SettingsManager(this))
{
    setFixedWidth(panelWidth);

    auto *panel = new QVBoxLayout(this);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->setSpacing(0);
    panel->addLayout(header());
    panel->addWidget(unsavedNotice());
    panel->addWidget(divider());
    panel->addLayout(captureAndRecent());
    panel->addWidget(divider());
    panel->addLayout(conversationsAndSettings());
    panel->addWidget(divider());
    panel->addLayout(helpAndAbout());
    panel->addWidget(divider());
    panel->addLayout(quit());

    // Changes arrive in bursts (a load assigns every setting); one refresh
    // on the next turn of the event loop covers them all.
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(0);
    connect(&m_refreshTimer, &QTimer::timeout, this, &MenuBarView::refresh);
    observe(&m_screenshotManager);
    observe(&m_aiManager);
    observe(&m_onboardingManager);
    observe(m_settingsManager);
    observe(&PendingDefaults::standard());
    connect(&m_thumbnails, &ConversationThumbnails::thumbnailReady, this, &MenuBarView::showThumbnail);
}

MenuBarView::~MenuBarView()
{
    delete m_about;
}

QLayout *MenuBarView::header()
{
    auto *section = withMargins(new QHBoxLayout, 16, 12, 8);
    section->addWidget(new SymbolImage(QStringLiteral("viewfinder"), Palette::orange(), 20, 20));

    auto *titles = withMargins(new QVBoxLayout, 0, 0, 2);
    titles->addWidget(new ElidedLabel(
        QStringLiteral("Pexilo"), Fonts::custom(Fonts::hafferSemiBold, 18), Palette::primaryLabel()));
    m_greeting
        = new ElidedLabel(QString(), Fonts::custom(Fonts::hafferRegular, 12), Palette::secondaryLabel());
    titles->addWidget(m_greeting);
    section->addLayout(titles);

    section->addStretch();
    section->addWidget(betaBadge());
    return section;
}

QWidget *MenuBarView::unsavedNotice()
{
    m_unsavedNotice = new PlainLabel(QStringLiteral("⚠️ Settings not saved yet: the settings file cannot be "
                                                    "written right now. Pexilo keeps trying."),
        Fonts::custom(Fonts::hafferRegular, 11), Palette::primaryLabel());
    m_unsavedNotice->setObjectName(QStringLiteral("unsavedNotice"));
    m_unsavedNotice->setWordWrap(true);
    m_unsavedNotice->setContentsMargins(16, 6, 16, 6);
    m_unsavedNotice->setStyleSheet(QStringLiteral("QLabel { background: %1; }")
                                       .arg(Palette::withOpacity(Palette::orange(), 0.18).name(QColor::HexArgb)));
    m_unsavedNotice->hide();
    return m_unsavedNotice;
}

QLayout *MenuBarView::captureAndRecent()
{
    auto *section = withMargins(new QVBoxLayout, 12, 8, 8);

    auto *capture = new PlainButton(Palette::orange(), 8);
    capture->setFocusPolicy(Qt::TabFocus);
    capture->setAccessibleName(QStringLiteral("Take Screenshot"));
    auto *label = withMargins(new QHBoxLayout(capture), 16, 12, 10);
    label->addWidget(new SymbolImage(QStringLiteral("camera.viewfinder"), Qt::white, 16, 16));
    auto *texts = withMargins(new QVBoxLayout, 0, 0, 2);
    texts->addWidget(new ElidedLabel(
        QStringLiteral("Take Screenshot"), Fonts::custom(Fonts::hafferMedium, 15), Qt::white));
    m_shortcut = new ElidedLabel(
        shortcutText, Fonts::custom(Fonts::hafferRegular, 11), Palette::withOpacity(Qt::white, 0.8));
    texts->addWidget(m_shortcut);
    label->addLayout(texts);
    label->addStretch();
    connect(capture, &QAbstractButton::clicked, this, &MenuBarView::takeScreenshot);
    section->addWidget(capture);

    m_recentArea = new QWidget;
    auto *recent = new QVBoxLayout(m_recentArea);
    recent->setContentsMargins(0, 0, 0, 0);
    section->addWidget(m_recentArea);
    return section;
}

QLayout *MenuBarView::conversationsAndSettings()
{
    auto *section = withMargins(new QVBoxLayout, 12, 8, 6);
    m_recentConversationsRow = new MenuBarButton(QStringLiteral("message.fill"),
        QStringLiteral("Recent Conversations"), QString(), [this] { showConversations(); });
    section->addWidget(m_recentConversationsRow);
    section->addWidget(new MenuBarButton(QStringLiteral("gearshape.fill"), QStringLiteral("Settings"),
        QStringLiteral("Preferences & Account"), [this] { showSettings(); }));
    return section;
}

QLayout *MenuBarView::helpAndAbout()
{
    auto *section = withMargins(new QVBoxLayout, 12, 8, 6);
    section->addWidget(
        new MenuBarButton(QStringLiteral("questionmark.circle.fill"), QStringLiteral("Help & Support"),
            QStringLiteral("Get help, send feedback"), [this] { showSupport(); }));
    section->addWidget(new MenuBarButton(QStringLiteral("info.circle.fill"), QStringLiteral("About Pexilo"),
        QStringLiteral("Version 1.0.0 Beta"), [this] { showAbout(); }));
    return section;
}

QLayout *MenuBarView::quit()
{
    auto *section = withMargins(new QHBoxLayout, 12, 0, 0);
    PlainButton *button
        = textButton(QStringLiteral("Quit Pexilo"), Fonts::custom(Fonts::hafferRegular, 13), Palette::red());
    button->layout()->setContentsMargins(0, 8, 0, 8);
    // The one command that does not close the panel first.
    connect(button, &QAbstractButton::clicked, qApp, &QCoreApplication::quit);
    section->addWidget(button);
    return section;
}

void MenuBarView::observe(QObject *object)
{
    const QMetaMethod refreshSlot = metaObject()->method(metaObject()->indexOfSlot("scheduleRefresh()"));
    const QMetaObject *meta = object->metaObject();
    for (int index = meta->propertyOffset(); index < meta->propertyCount(); ++index) {
        const QMetaProperty property = meta->property(index);
        if (property.hasNotifySignal())
            connect(object, property.notifySignal(), this, refreshSlot);
    }
}

void MenuBarView::savedConversationsLoaded()
{
    scheduleRefresh();
}

void MenuBarView::scheduleRefresh()
{
    if (isVisible())
        m_refreshTimer.start();
}

void MenuBarView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_settingsManager->loadSettings();
    const QList<Conversation> &conversations = ConversationManager::shared().conversations();
    Log::line(QStringLiteral("📊 Menu bar loaded - Conversations count: %1").arg(conversations.size()));
    for (qsizetype index = 0; index < conversations.size(); ++index)
        Log::line(QStringLiteral("📚 Conversation %1: '%2' - %3 messages")
                      .arg(QString::number(index), conversations[index].title(),
                          QString::number(conversations[index].messages().size())));
    refresh();
}

void MenuBarView::paintEvent(QPaintEvent *)
{
    // The material, without anything behind it to blur, over the window colour.
    QPainter painter(this);
    painter.fillRect(rect(), Palette::windowBackground());
    painter.fillRect(rect(), Palette::regularMaterial());
}

void MenuBarView::refresh()
{
    m_refreshTimer.stop();
    const QString userName = m_onboardingManager.userName();
    m_greeting->setText(greeting(userName));
    m_greeting->setVisible(!userName.isEmpty());
    m_shortcut->setVisible(m_onboardingManager.showKeyboardShortcuts());
    m_unsavedNotice->setVisible(PendingDefaults::standard().hasUnsavedValues());

    const QList<Conversation> &conversations = ConversationManager::shared().conversations();
    showRecent(conversations);
    m_recentConversationsRow->setSubtitle(QStringLiteral("%1 saved").arg(conversations.size()));
}

void MenuBarView::showRecent(const QList<Conversation> &conversations)
{
    QLayout *area = m_recentArea->layout();
    while (QLayoutItem *item = area->takeAt(0)) {
        if (QWidget *widget = item->widget()) {
            // Gone from the panel at once; deleted once no event of it is running.
            widget->hide();
            widget->setParent(nullptr);
            widget->deleteLater();
        }
        delete item;
    }
    QWidget *recent = conversations.isEmpty() ? emptyState() : recentConversationsSection(conversations);
    area->addWidget(recent);
    // On screen now, not after the next turn of the event loop.
    recent->show();
}

QWidget *MenuBarView::emptyState()
{
    auto *state = new QWidget;
    auto *texts = withMargins(new QVBoxLayout(state), 0, 8, 8);
    texts->addWidget(new ElidedLabel(QStringLiteral("No recent conversations"),
                         Fonts::custom(Fonts::hafferRegular, 13), Palette::secondaryLabel()),
        0, Qt::AlignHCenter);
    texts->addWidget(new ElidedLabel(QStringLiteral("Take a screenshot to get started!"),
                         Fonts::custom(Fonts::hafferRegular, 11), Palette::secondaryLabel()),
        0, Qt::AlignHCenter);
    return state;
}

QWidget *MenuBarView::recentConversationsSection(const QList<Conversation> &conversations)
{
    auto *section = new QWidget;
    auto *stack = withMargins(new QVBoxLayout(section), 0, 0, 6);

    auto *heading = withMargins(new QHBoxLayout, 0, 0, 8);
    heading->addWidget(new ElidedLabel(
        QStringLiteral("Recent"), Fonts::custom(Fonts::hafferMedium, 12), Palette::secondaryLabel()));
    heading->addStretch();
    PlainButton *viewAll
        = textButton(QStringLiteral("View All"), Fonts::custom(Fonts::hafferRegular, 11), Palette::orange());
    connect(viewAll, &QAbstractButton::clicked, this, &MenuBarView::showConversations);
    heading->addWidget(viewAll);
    stack->addLayout(heading);

    auto *rows = withMargins(new QVBoxLayout, 0, 0, 2);
    m_thumbnailViews.clear();
    for (const Conversation &conversation : conversations.first(qMin(conversations.size(), recentCount)))
        rows->addWidget(recentRow(conversation));
    const QList<QUuid> shown = m_thumbnailViews.keys();
    m_thumbnails.retainOnly(QSet<QUuid>(shown.cbegin(), shown.cend()));
    stack->addLayout(rows);
    return section;
}

void MenuBarView::showThumbnail(const QUuid &id, qreal devicePixelRatio, const QImage &image)
{
    ConversationThumbnail *view = m_thumbnailViews.value(id);
    if (view && devicePixelRatio == devicePixelRatioF())
        view->setImage(image);
}

QWidget *MenuBarView::recentRow(const Conversation &conversation)
{
    auto *row = new PlainButton(Palette::withOpacity(Palette::quaternaryLabel(), 0.2), 6);
    row->setFocusPolicy(Qt::TabFocus);
    row->setObjectName(QStringLiteral("recentConversationRow"));
    row->setAccessibleName(conversation.title());
    auto *label = withMargins(new QHBoxLayout(row), 8, 6, 8);
    // Shown at once, with its picture as soon as that is decoded.
    auto *thumbnail = new ConversationThumbnail(m_thumbnails.thumbnail(conversation, devicePixelRatioF()));
    m_thumbnailViews.insert(conversation.id(), thumbnail);
    label->addWidget(thumbnail);
    auto *texts = withMargins(new QVBoxLayout, 0, 0, 1);
    texts->addWidget(new ElidedLabel(
        conversation.title(), Fonts::custom(Fonts::hafferRegular, 13), Palette::primaryLabel()));
    texts->addWidget(new ElidedLabel(
        conversation.shortDate(), Fonts::custom(Fonts::hafferRegular, 11), Palette::secondaryLabel()));
    label->addLayout(texts);
    label->addStretch();
    label->addWidget(new SymbolImage(QStringLiteral("chevron.right"), Palette::secondaryLabel(), 10, 10));
    connect(
        row, &QAbstractButton::clicked, this, [this, conversation] { openRecentConversation(conversation); });
    return row;
}

QString MenuBarView::greeting(const QString &userName, const DateEnvironment &environment)
{
    const QString suffix = userName.isEmpty() ? QString() : QStringLiteral(", ") + userName;
    const int hour = environment.local(environment.now()).time().hour();
    QString word;
    if (hour >= 6 && hour < 12)
        word = QStringLiteral("Good morning");
    else if (hour >= 12 && hour < 17)
        word = QStringLiteral("Good afternoon");
    else if (hour >= 17 && hour < 22)
        word = QStringLiteral("Good evening");
    else
        word = QStringLiteral("Hello");
    return word + suffix;
}

void MenuBarView::dismiss()
{
    window()->close();
}

void MenuBarView::takeScreenshot()
{
    dismiss();
    // The selection window takes the keyboard itself when it shows.
    QTimer::singleShot(commandDelayMs, this, [this] { m_screenshotManager.startScreenshotSelection(); });
}

void MenuBarView::showConversations()
{
    dismiss();
    QTimer::singleShot(commandDelayMs, this, [] {
        const QList<Conversation> &conversations = ConversationManager::shared().conversations();
        if (!conversations.isEmpty())
            openConversation(conversations.first());
    });
}

void MenuBarView::openRecentConversation(const Conversation &conversation)
{
    Log::line(QStringLiteral("🖱️ Clicked on conversation: ") + conversation.title());
    dismiss();
    QTimer::singleShot(
        openRecentConversationDelayMs, this, [conversation] { openConversation(conversation); });
}

void MenuBarView::showSettings()
{
    dismiss();
    QTimer::singleShot(commandDelayMs, this, [] {
        if (AppDelegate *delegate = AppDelegate::shared())
            delegate->showSettingsWindow();
    });
}

QUrl MenuBarView::supportMailUrl()
{
    return NetworkEndpoints::supportMailUrl();
}

void MenuBarView::showSupport()
{
    dismiss();
    const QUrl url = supportMailUrl();
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void MenuBarView::showAbout()
{
    dismiss();
    // Shown without a loop of its own: a modal loop would keep the hot key's
    // selection from the keyboard and the pointer while it holds them.
    if (!m_about) {
        m_about = new QMessageBox;
        m_about->setAttribute(Qt::WA_DeleteOnClose);
        m_about->setWindowTitle(QStringLiteral("About Pexilo"));
        m_about->setTextFormat(Qt::PlainText);
        m_about->setText(QStringLiteral("About Pexilo"));
        m_about->setInformativeText(QStringLiteral("Pexilo v1.0.0 Beta\nAI-powered screenshot analysis"));
        m_about->setStandardButtons(QMessageBox::Ok);
    }
    m_about->open();
    m_about->raise();
    m_about->activateWindow();
}

void MenuBarView::openConversation(const Conversation &conversation)
{
    Log::line(QStringLiteral("🔍 Opening conversation: ") + conversation.title());
    Log::line(QStringLiteral("🔍 Messages count: %1").arg(conversation.messages().size()));
    const std::optional<QByteArray> screenshotData = ConversationManager::shared().screenshotData(conversation);
    Log::line(QStringLiteral("🔍 Has screenshot data: %1")
                  .arg(screenshotData ? QStringLiteral("true") : QStringLiteral("false")));

    const QImage image = screenshotData ? ImageData::imageFromPng(*screenshotData) : QImage();
    if (image.isNull()) {
        Log::line(QStringLiteral("❌ No screenshot data available for conversation"));
        return;
    }
    Log::line(QStringLiteral("✅ Screenshot loaded successfully, size: ")
        + WindowPlacement::describe(image.deviceIndependentSize()));
    const QList<AIResponse> responses = conversationToAIResponses(conversation);
    Log::line(QStringLiteral("🔄 Created %1 AI responses").arg(responses.size()));
    Log::line(QStringLiteral("🪟 Opening chat window..."));
    // Continued, not only shown: what is asked next goes into this
    // conversation, with its own context, after the conversation shown so
    // far (in the chat window or the overlay) has been saved.
    CurrentConversation &current = CurrentConversation::shared();
    current.reopen(conversation);
    ChatWindowManager::shared().openChatWindowWithHistory(current.screenshotImage().value_or(image), current.answers());
    Log::line(QStringLiteral("✅ Chat window opened"));
}

QList<AIResponse> MenuBarView::conversationToAIResponses(const Conversation &conversation)
{
    const QList<SavedMessage> &messages = conversation.messages();
    Log::line(QStringLiteral("🔄 Converting conversation with %1 messages").arg(messages.size()));
    const QList<AIResponse> responses = MessagePairing::answers(messages);
    for (const AIResponse &response : responses)
        Log::line(QStringLiteral("🔄 Converting pair: '%1...' -> '%2...'")
                      .arg(leftCharacters(response.question, logCutLength),
                          leftCharacters(response.content, logCutLength)));
    if (messages.size() % 2 != 0)
        Log::line(QStringLiteral("⚠️ Odd number of messages, skipping last message"));
    Log::line(QStringLiteral("✅ Converted to %1 AI responses").arg(responses.size()));
    return responses;
}
