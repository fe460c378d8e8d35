#pragma once

#include "ChatMessage.h"
#include "ai/AIResponse.h"
#include "ui/WindowOwner.h"

#include <QImage>
#include <QList>
#include <QObject>

#include <optional>

// The one chat window of the application and its state: whether it is open,
// the transcript (oldest first), the reference screenshot beside it and
// whether a follow-up question awaits its answer.
//
// Every write of a published property stores the value and then emits its
// change signal, also when the value is equal to the old one.
class ChatWindowManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isOpen READ isOpen WRITE setIsOpen NOTIFY isOpenChanged)
    Q_PROPERTY(QList<ChatMessage> messages READ messages WRITE setMessages NOTIFY messagesChanged)
    Q_PROPERTY(std::optional<QImage> currentScreenshot READ currentScreenshot WRITE setCurrentScreenshot
            NOTIFY currentScreenshotChanged)
    Q_PROPERTY(bool isProcessing READ isProcessing WRITE setIsProcessing NOTIFY isProcessingChanged)

public:
    static ChatWindowManager &shared();

    bool isOpen() const { return m_isOpen; }
    void setIsOpen(bool open);

    const QList<ChatMessage> &messages() const { return m_messages; }
    void setMessages(const QList<ChatMessage> &messages);
    // Empties the transcript in place.
    void removeAllMessages();

    const std::optional<QImage> &currentScreenshot() const { return m_currentScreenshot; }
    void setCurrentScreenshot(const std::optional<QImage> &image);

    bool isProcessing() const { return m_isProcessing; }
    void setIsProcessing(bool processing);

    // Shows the image and, for each answer in order, the question as the
    // user's line and the answer as the assistant's, both stamped with the
    // answer's time; replaces any window opened before.
    void openChatWindowWithHistory(const QImage &image, const QList<AIResponse> &responses);

Q_SIGNALS:
    void isOpenChanged();
    void messagesChanged();
    void currentScreenshotChanged();
    void isProcessingChanged();

private:
    ChatWindowManager() = default;

    // Builds and shows the chat window, closing the one shown before.
    void createWindow();

    bool m_isOpen = false;
    QList<ChatMessage> m_messages;
    std::optional<QImage> m_currentScreenshot;
    bool m_isProcessing = false;
    WindowOwner m_window;
};
