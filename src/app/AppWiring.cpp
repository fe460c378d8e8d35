#include "AppWiring.h"

#include "capture/ScreenshotManager.h"
#include "chat/ChatWindowManager.h"
#include "store/ConversationManager.h"

namespace AppWiring {

void install()
{
    ConversationHooks hooks;
    hooks.chatScreenshot = [] { return ChatWindowManager::shared().currentScreenshot(); };
    hooks.lastCapture = [] { return ScreenshotManager::shared().screenshotImage(); };
    // A saved conversation opened or deleted in the chat takes the place of
    // the one a question was asked in: its answer does not follow.
    hooks.showTranscript = [](const QList<SavedMessage> &messages) {
        ChatWindowManager::shared().dropAwaitedAnswer();
        QList<ChatMessage> transcript;
        transcript.reserve(messages.size());
        for (const SavedMessage &message : messages)
            transcript.append(ChatMessage(message.content(), message.isUser(), message.timestamp()));
        ChatWindowManager::shared().setMessages(transcript);
    };
    hooks.showScreenshot
        = [](const std::optional<QImage> &image) { ChatWindowManager::shared().setCurrentScreenshot(image); };
    hooks.clearTranscript = [] {
        ChatWindowManager::shared().dropAwaitedAnswer();
        ChatWindowManager::shared().removeAllMessages();
    };
    ConversationManager::setHooks(std::move(hooks));

    // The screen selection, then the analysis overlay, take Escape before
    // the chat window does.
    ChatWindowManager::shared().setCaptureHoldsKeys([] {
        const ScreenshotManager &capture = ScreenshotManager::shared();
        return capture.isSelecting() || capture.isShowingOverlay();
    });
}

} // namespace AppWiring
