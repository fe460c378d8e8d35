#pragma once

#include "ChatMessage.h"
#include "SavePanel.h"
#include "ai/AIResponse.h"
#include "ui/WindowOwner.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

class CurrentConversation;

// The one chat window of the application and its state: whether it is open,
// the transcript (oldest first), the reference screenshot beside it and
// whether a follow-up question awaits its answer. It opens and closes the
// window, sends the follow-up questions typed in it and runs its save panel.
//
// The window shows the current conversation (CurrentConversation): its
// questions go out through it, and when another conversation takes its
// place while the window is open (one picked in the sidebar, or the shown
// one deleted), the window shows that one and stops waiting for an answer.
//
// Closing saves the conversation once and ends it at once; the window goes
// 0.1 s later. An open within that time cancels the pending step.
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

    // Shows the image with a two-line transcript: the message as the user's
    // line and the response as the assistant's, both stamped now.
    void openChatWindow(const QImage &image, const QString &initialMessage, const QString &initialResponse);
    // Shows the image and, for each answer in order, the question as the
    // user's line and the answer as the assistant's, both stamped with the
    // answer's time; replaces any window opened before. The image and the
    // answers are those of the current conversation: the overlay hands its
    // own over, the tray panel those of the conversation it reopened.
    void openChatWindowWithHistory(const QImage &image, const QList<AIResponse> &responses);
    // Appends a line stamped now.
    void addMessage(const QString &text, bool isUser);
    // Saves the conversation (into the saved one it continues, if any),
    // marks the chat closed, ends the conversation and closes the window
    // 0.1 s later. A second close before then does nothing.
    void closeWindow();

    // Sends the input as a follow-up question about the screenshot: its
    // trimmed text becomes the user's line and the answer, or the error text
    // in its place, the assistant's. Refused (false) when the input is blank,
    // a question awaits its answer or there is no screenshot.
    bool sendMessage(const QString &input);
    // Empties the transcript and the conversation's answers, so that what
    // follows is saved as a new conversation. The screenshot, the awaited
    // answer and the follow-up context stay.
    void clearConversation();

    // Puts the screenshot on the clipboard as an image (PNG for other
    // programs); nothing without one.
    void copyScreenshotToClipboard();
    // Asks where to save the screenshot, proposing "Screenshot_<local date
    // and time>.png", and writes it there as PNG; nothing without one. A
    // write that fails is shown on the chat window with its reason.
    void saveScreenshot();
    // Writes the image as PNG to the path, encoding it off the GUI thread.
    // The future holds why the file was not written, or an empty text when
    // it was.
    static QFuture<QString> saveImage(const QImage &image, const QString &path);
    // Writes the bytes to the path as a whole or not at all: a failed write
    // leaves a file already there as it was, logs "Error saving screenshot:
    // <error>" and gives the error.
    static bool writeImageFile(const QByteArray &png, const QString &path, QString *error = nullptr);

    // Asks where to save through the panel, as a dialog on the chat window
    // when there is one, and calls the completion once with the chosen path
    // or with nothing when the user cancels; never when the chat window
    // closes with the dialog still open.
    void presentSavePanel(
        const SavePanel &panel, const std::function<void(std::optional<QString>)> &completion);

    // Whether a window of the capture (the screen selection or the analysis
    // overlay) shows and so takes Escape and Ctrl+W before the chat window.
    // The application installs the question; without one nothing does.
    void setCaptureHoldsKeys(std::function<bool()> captureHoldsKeys);
    bool captureHoldsKeys() const;

    // The chat window while there is one.
    QWidget *chatWindow() const { return m_window.window(); }

Q_SIGNALS:
    void isOpenChanged();
    void messagesChanged();
    void currentScreenshotChanged();
    void isProcessingChanged();

private:
    ChatWindowManager();

    // Builds and shows the chat window, closing the one shown before.
    void createWindow();
    // Shows the current conversation in the open window, after another one
    // has taken the place of the one shown.
    void showCurrentConversation();
    // The pending step of a close.
    void finishClosing();
    // Closes the window for a close or a replacement, not as a request.
    void closeOwnWindow();
    // The window was asked to close from outside (its title bar).
    void windowCloseRequested(QWidget *window);
    // Tells the user that the screenshot was not saved at the path, and why.
    void showSaveFailure(const QString &path, const QString &error);

    bool m_isOpen = false;
    QList<ChatMessage> m_messages;
    std::optional<QImage> m_currentScreenshot;
    bool m_isProcessing = false;
    CurrentConversation &m_conversation;
    WindowOwner m_window;

    // The step that takes the window down 0.1 s after a close, and the
    // window it was scheduled for.
    QTimer m_pendingClose;
    QPointer<QWidget> m_closingWindow;
    bool m_closingOwnWindow = false;
    std::function<bool()> m_captureHoldsKeys;
};
