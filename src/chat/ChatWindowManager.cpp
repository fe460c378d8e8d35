#include "ChatWindowManager.h"

#include "platform/PublishedProperty.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QScreen>

namespace {

constexpr QSize chatWindowSize(1200, 800);

QString transcriptText(const QList<ChatMessage> &messages)
{
    QStringList lines;
    for (const ChatMessage &message : messages)
        lines.append(
            (message.isUser() ? QStringLiteral("You: ") : QStringLiteral("Assistant: ")) + message.content());
    return lines.join(QStringLiteral("\n\n"));
}

} // namespace

ChatWindowManager &ChatWindowManager::shared()
{
    static ChatWindowManager *manager = new ChatWindowManager; // lives as long as the process
    return *manager;
}

void ChatWindowManager::setIsOpen(bool open)
{
    PublishedProperty::write(this, m_isOpen, open, &ChatWindowManager::isOpenChanged);
}

void ChatWindowManager::setMessages(const QList<ChatMessage> &messages)
{
    PublishedProperty::write(this, m_messages, messages, &ChatWindowManager::messagesChanged);
}

void ChatWindowManager::removeAllMessages()
{
    m_messages.clear();
    Q_EMIT messagesChanged();
}

void ChatWindowManager::setCurrentScreenshot(const std::optional<QImage> &image)
{
    PublishedProperty::write(this, m_currentScreenshot, image, &ChatWindowManager::currentScreenshotChanged);
}

void ChatWindowManager::setIsProcessing(bool processing)
{
    PublishedProperty::write(this, m_isProcessing, processing, &ChatWindowManager::isProcessingChanged);
}

void ChatWindowManager::openChatWindowWithHistory(const QImage &image, const QList<AIResponse> &responses)
{
    setCurrentScreenshot(image);
    QList<ChatMessage> transcript;
    transcript.reserve(responses.size() * 2);
    for (const AIResponse &response : responses) {
        transcript.append(ChatMessage(response.question, true, response.timestamp));
        transcript.append(ChatMessage(response.content, false, response.timestamp));
    }
    setMessages(transcript);
    createWindow();
    setIsOpen(true);
}

void ChatWindowManager::createWindow()
{
    if (m_chatWindow) {
        m_chatWindow->close();
        m_chatWindow->deleteLater();
    }

    // For now the window lists the transcript as plain text.
    auto *window = new QPlainTextEdit;
    window->setReadOnly(true);
    window->setWindowTitle(QStringLiteral("Pexilo Chat"));
    QPalette palette = window->palette();
    palette.setColor(QPalette::Base, QColor::fromRgbF(0.96f, 0.96f, 0.97f));
    window->setPalette(palette);
    auto showTranscript = [this, window] { window->setPlainText(transcriptText(m_messages)); };
    connect(this, &ChatWindowManager::messagesChanged, window, showTranscript);
    showTranscript();

    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1440, 900);
    QRect frame(QPoint(), chatWindowSize);
    frame.moveCenter(screenRect.center());
    window->setGeometry(frame);

    m_chatWindow = window;
    window->show();
    window->raise();
    window->activateWindow();
}
