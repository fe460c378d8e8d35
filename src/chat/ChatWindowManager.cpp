#include "ChatWindowManager.h"

#include "ChatTranscriptView.h"
#include "platform/PublishedProperty.h"

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
    WindowOwner::Style style;
    style.size = QSizeF(1200, 800);
    style.title = QStringLiteral("Pexilo Chat");
    m_window.adoptWindow(new ChatTranscriptView(*this), style);
    m_window.bringToFront();
}
