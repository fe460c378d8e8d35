#include "ChatWindowManager.h"

#include "ChatTexts.h"
#include "ChatWindowView.h"
#include "SavePanelPresenter.h"
#include "platform/ImageData.h"
#include "platform/Log.h"
#include "platform/PublishedProperty.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"
#include "store/MessagePairing.h"
#include "ui/WindowPlacement.h"

#include <QClipboard>
#include <QCoro/QCoroTask>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QSaveFile>

namespace {

// How long a closed chat window stays on screen before it goes.
constexpr int closeDelayMs = 100;

QList<ChatMessage> transcriptOf(const QList<SavedMessage> &messages)
{
    QList<ChatMessage> transcript;
    transcript.reserve(messages.size());
    for (const SavedMessage &message : messages)
        transcript.append(ChatMessage(message.content(), message.isUser(), message.timestamp()));
    return transcript;
}

} // namespace

ChatWindowManager &ChatWindowManager::shared()
{
    static ChatWindowManager *manager = new ChatWindowManager; // lives as long as the process
    return *manager;
}

ChatWindowManager::ChatWindowManager()
    : m_conversation(CurrentConversation::shared())
{
    m_pendingClose.setSingleShot(true);
    m_pendingClose.setInterval(closeDelayMs);
    connect(&m_pendingClose, &QTimer::timeout, this, &ChatWindowManager::finishClosing);
    connect(&m_conversation, &CurrentConversation::replaced, this, [this] {
        if (m_isOpen)
            showCurrentConversation();
    });
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

void ChatWindowManager::openChatWindow(
    const QImage &image, const QString &initialMessage, const QString &initialResponse)
{
    setCurrentScreenshot(image);
    const ChatMessage question(initialMessage, true, QDateTime::currentDateTime());
    const ChatMessage answer(initialResponse, false, QDateTime::currentDateTime());
    setMessages({ question, answer });
    createWindow();
    setIsOpen(true);
}

void ChatWindowManager::openChatWindowWithHistory(const QImage &image, const QList<AIResponse> &responses)
{
    setCurrentScreenshot(image);
    setMessages(transcriptOf(MessagePairing::messages(responses)));
    createWindow();
    setIsOpen(true);
}

void ChatWindowManager::addMessage(const QString &text, bool isUser)
{
    QList<ChatMessage> messages = m_messages;
    messages.append(ChatMessage(text, isUser, QDateTime::currentDateTime()));
    setMessages(messages);
}

void ChatWindowManager::closeWindow()
{
    // The title bar's close may follow Ctrl+W before the window has gone:
    // one close, one save.
    if (m_pendingClose.isActive())
        return;

    ConversationManager::shared().saveCurrentConversation();
    setIsOpen(false);
    // A question still on its way belongs to the conversation that ends here.
    setIsProcessing(false);
    m_closingWindow = m_window.window();
    m_pendingClose.start();
    m_conversation.end();
    Log::line(QStringLiteral("💬 Chat window closed and conversation saved"));
}

void ChatWindowManager::finishClosing()
{
    // Acts only on the window the close was meant for.
    if (m_window.window() != m_closingWindow)
        return;
    m_closingWindow = nullptr;
    closeOwnWindow();
    removeAllMessages();
    setCurrentScreenshot(std::nullopt);
}

bool ChatWindowManager::sendMessage(const QString &input)
{
    const QString question = ChatTexts::trimmedInput(input);
    // The question is about the screenshot shown, which is the conversation's.
    if (question.isEmpty() || m_isProcessing || !m_currentScreenshot || !m_conversation.screenshotImage())
        return false;
    addMessage(question, true);
    setIsProcessing(true);

    QCoro::connect(m_conversation.askFollowUp(question), this, [this](const std::optional<AIResponse> &response) {
        // None: another conversation has taken this one's place, which
        // stopped the wait already.
        if (!response)
            return;
        addMessage(response->content, false);
        setIsProcessing(false);
    });
    return true;
}

void ChatWindowManager::clearConversation()
{
    removeAllMessages();
    m_conversation.clear();
}

void ChatWindowManager::showCurrentConversation()
{
    setIsProcessing(false);
    setMessages(transcriptOf(m_conversation.messages()));
    setCurrentScreenshot(m_conversation.screenshotImage());
}

void ChatWindowManager::copyScreenshotToClipboard()
{
    if (!m_currentScreenshot)
        return;
    const QImage image = *m_currentScreenshot;
    // The PNG bytes are usually known already (the AI client sent them);
    // otherwise they are made on a worker thread.
    ImageData::pngDataAsync(image).then(this, [image](const QByteArray &png) {
        auto *data = new QMimeData;
        data->setImageData(image);
        if (!png.isEmpty())
            data->setData(QStringLiteral("image/png"), png);
        QGuiApplication::clipboard()->setMimeData(data);
    });
}

void ChatWindowManager::saveScreenshot()
{
    if (!m_currentScreenshot)
        return;
    const QImage image = *m_currentScreenshot;
    SavePanel panel;
    panel.title = QStringLiteral("Save Screenshot");
    panel.allowedFileTypes = { QStringLiteral("png") };
    panel.canCreateDirectories = true;
    panel.proposedFileName = ChatTexts::proposedScreenshotFileName();
    presentSavePanel(panel, [this, image](const std::optional<QString> &path) {
        if (!path)
            return;
        const QString target = *path;
        saveImage(image, target).then(this, [this, target](const QString &error) {
            if (!error.isEmpty())
                showSaveFailure(target, error);
        });
    });
}

QFuture<QString> ChatWindowManager::saveImage(const QImage &image, const QString &path)
{
    return ImageData::pngDataAsync(image).then(&shared(), [path](const QByteArray &png) {
        if (png.isEmpty())
            return QStringLiteral("The image could not be encoded as PNG.");
        QString error;
        return writeImageFile(png, path, &error) ? QString() : error;
    });
}

void ChatWindowManager::showSaveFailure(const QString &path, const QString &error)
{
    // On the chat window, without a loop of its own: a modal loop would keep
    // the hot key's selection from the keyboard and the pointer.
    auto *box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Save Screenshot"),
        QStringLiteral("The screenshot could not be saved as \u201c%1\u201d.\n\n%2")
            .arg(QDir::toNativeSeparators(path), error),
        QMessageBox::Ok, m_window.window());
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    WindowPlacement::returnKeyboardWhenClosed(box);
    box->open();
}

bool ChatWindowManager::writeImageFile(const QByteArray &png, const QString &path, QString *error)
{
    // The bytes go to a file of their own that replaces the old one only
    // once they are all written. Unbuffered, so that a short write (disk
    // full, file too large) is seen here: a buffered one can lose that error
    // and commit a cut file.
    QSaveFile file(path);
    qint64 written = 0;
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        while (written < png.size()) {
            const qint64 step = file.write(png.constData() + written, png.size() - written);
            if (step <= 0)
                break;
            written += step;
        }
    }
    if (written != png.size() || !file.commit()) {
        Log::line(QStringLiteral("Error saving screenshot: %1").arg(file.errorString()));
        if (error)
            *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}

void ChatWindowManager::presentSavePanel(
    const SavePanel &panel, const std::function<void(std::optional<QString>)> &completion)
{
    SavePanelPresenter::present(m_window.window(), panel, [completion](const std::optional<QString> &path) {
        if (completion)
            completion(path);
    });
}

void ChatWindowManager::setCaptureHoldsKeys(std::function<bool()> captureHoldsKeys)
{
    m_captureHoldsKeys = std::move(captureHoldsKeys);
}

bool ChatWindowManager::captureHoldsKeys() const
{
    return m_captureHoldsKeys && m_captureHoldsKeys();
}

void ChatWindowManager::createWindow()
{
    // An open cancels a close still pending: the new window stays.
    m_pendingClose.stop();
    m_closingWindow = nullptr;
    closeOwnWindow();

    WindowOwner::Style style;
    style.size = QSizeF(1200, 800);
    style.title = QStringLiteral("Pexilo Chat");
    style.background = QColor::fromRgbF(0.96f, 0.96f, 0.97f);
    m_window.adoptWindow(new ChatWindowView(*this, ConversationManager::shared(),
                             [this](QWidget *window) { windowCloseRequested(window); }),
        style);
    m_window.bringToFront();
}

void ChatWindowManager::closeOwnWindow()
{
    m_closingOwnWindow = true;
    m_window.closeWindow();
    m_closingOwnWindow = false;
}

void ChatWindowManager::windowCloseRequested(QWidget *window)
{
    // Closes that the window did not ask for itself (its title bar, the
    // window manager) save and reset as Ctrl+W does.
    if (m_closingOwnWindow || window != m_window.window())
        return;
    closeWindow();
}
