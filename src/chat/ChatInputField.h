#pragma once

#include <QPlainTextEdit>

// The chat's input: plain text with the placeholder "Message", one line
// high at first and growing with its text up to four lines, after which it
// scrolls. Return sends (submitted); Shift+Return breaks the line.
class ChatInputField : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit ChatInputField(QWidget *parent = nullptr);

    static constexpr int maximumLines = 4;
    // The number of lines shown now (1 to 4).
    int visibleLines() const;

Q_SIGNALS:
    void submitted();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The lines the text takes at the present width, counted up to one more
    // than are shown.
    int textLines() const;
    void fitHeight();
};
