#include "ChatTranscriptView.h"

#include "ChatWindowManager.h"

ChatTranscriptView::ChatTranscriptView(const ChatWindowManager &manager, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_manager(manager)
{
    setReadOnly(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, QColor::fromRgbF(0.96f, 0.96f, 0.97f));
    setPalette(palette);
    connect(&manager, &ChatWindowManager::messagesChanged, this, &ChatTranscriptView::showTranscript);
    showTranscript();
}

void ChatTranscriptView::showTranscript()
{
    QStringList lines;
    for (const ChatMessage &message : m_manager.messages())
        lines.append(
            (message.isUser() ? QStringLiteral("You: ") : QStringLiteral("Assistant: ")) + message.content());
    setPlainText(lines.join(QStringLiteral("\n\n")));
}
