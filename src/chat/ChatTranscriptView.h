#pragma once

#include <QPlainTextEdit>

class ChatWindowManager;

// For now the chat window lists the transcript as plain text, one paragraph
// per message after "You: " or "Assistant: ", and follows every change of it.
class ChatTranscriptView : public QPlainTextEdit
{
    Q_OBJECT

public:
    // The manager must outlive the view.
    explicit ChatTranscriptView(const ChatWindowManager &manager, QWidget *parent = nullptr);

private:
    void showTranscript();

    const ChatWindowManager &m_manager;
};
