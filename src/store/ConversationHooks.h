#pragma once

#include "SavedMessage.h"

#include <QImage>
#include <QList>

#include <functional>
#include <optional>

// What the conversation store asks of the windows above it, which it does not
// know: the chat window and the capture. The application fills the hooks in
// once, at start-up. A hook left empty stands for a window that holds nothing
// and shows nothing.
struct ConversationHooks
{
    // The screenshot that the chat window holds, if any.
    std::function<std::optional<QImage>()> chatScreenshot;
    // The image of the last capture, if any.
    std::function<std::optional<QImage>()> lastCapture;
    // Replaces the chat window's transcript with the messages, oldest first.
    std::function<void(const QList<SavedMessage> &)> showTranscript;
    // Replaces the chat window's screenshot; absent for saved bytes that are no image.
    std::function<void(const std::optional<QImage> &)> showScreenshot;
    // Empties the chat window's transcript in place.
    std::function<void()> clearTranscript;
};
