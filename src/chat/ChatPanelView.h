#pragma once

#include "ui/AnimatedValue.h"

#include <QColor>
#include <QWidget>

class ChatInputField;
class ChatWindowManager;
class PlainLabel;
class QAbstractButton;
class QScrollArea;
class SymbolButton;
class TranscriptListView;

// The chat window's conversation column: "Pexilo AI" with the status line
// and Clear, the transcript, and the input with its send button. A line
// sent is a follow-up question about the reference screenshot; the
// manager's transcript and processing state are drawn as they change.
class ChatPanelView : public QWidget
{
    Q_OBJECT

public:
    explicit ChatPanelView(ChatWindowManager &chat, QWidget *parent = nullptr);

    // The send button's colour: orange while an answer is awaited, else the
    // secondary colour at 0.3 for a blank input, else blue.
    static QColor sendButtonColor(bool isProcessing, bool inputIsBlank);

    ChatInputField *inputField() const { return m_input; }
    SymbolButton *sendButton() const { return m_sendButton; }
    QAbstractButton *clearButton() const { return m_clearButton; }
    PlainLabel *statusLabel() const { return m_status; }
    TranscriptListView *transcript() const { return m_transcript; }
    QScrollArea *transcriptScrollArea() const { return m_scrollArea; }

    // Sends what the input holds; the input empties when it went out.
    void sendMessage();

private:
    void showStatus();
    void showProcessing();
    void showInputState();

    ChatWindowManager &m_chat;
    PlainLabel *m_status;
    QAbstractButton *m_clearButton;
    QScrollArea *m_scrollArea;
    TranscriptListView *m_transcript;
    ChatInputField *m_input;
    SymbolButton *m_sendButton;
    AnimatedValue m_sendScale;
    AnimatedValue m_bounce;
    bool m_shownProcessing = false;
    bool m_inputHadFocus = false;
};
