#pragma once

#include "ai/AIResponse.h"
#include "ui/AnimatedValue.h"

#include <QWidget>

#include <optional>

class ActivitySpinner;
class ExpandableResponseButton;
class MarkdownText;
class QLineEdit;
class QScrollArea;
class QScrollBar;
class TransitionEffect;

// The panel of the analysis overlay through which the user asks about the
// captured image and reads the answer. Without an answer it holds the
// question field; with one, a header, the answer (scrollable, selectable)
// and, once shown, the follow-up field with the Copy and Chat buttons.
//
// The box draws what its owner tells it and reports what the user does; its
// size and corner radius are the owner's.
class OverlayTextBox : public QWidget
{
    Q_OBJECT

public:
    explicit OverlayTextBox(QWidget *parent = nullptr);

    void setCornerRadius(qreal radius);
    qreal cornerRadius() const { return m_cornerRadius; }

    // The answer layout while an answer is given, the question layout otherwise.
    void setAnswer(const std::optional<AIResponse> &answer);

    // While an analysis runs the fields and Chat are disabled and the
    // question field shows a spinner to its right.
    void setProcessing(bool processing);

    // The height of the answer's scroll area.
    void setResponseHeight(qreal height);

    // Brings the follow-up row in (a fade and a rise from the bottom edge,
    // along a spring) or takes it out at once.
    void setFollowUpFieldShown(bool shown, bool animated);

    // Which response button the owner regards as hovered: "copy", "chat" or none.
    void setHoveredResponseButton(const std::optional<QString> &key);

    QLineEdit *questionField() const { return m_questionField; }
    QLineEdit *followUpField() const { return m_followUpField; }

Q_SIGNALS:
    void questionSubmitted();
    void followUpSubmitted();
    void copyTapped();
    void chatTapped();
    // The pointer entered (true) or left (false) the response button with that key.
    void responseButtonHovered(const QString &key, bool hovering);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QWidget *createQuestionRow();
    QWidget *createAnswerPane();
    QWidget *createFollowUpRow();
    void layOutContents();
    void updateSpinner();
    void setFieldsEnabled(bool enabled);
    void passFocusToFollowUp();

    qreal m_cornerRadius = 26;
    std::optional<AIResponse> m_answer;
    qreal m_responseHeight = 0;

    QWidget *m_questionRow;
    QLineEdit *m_questionField;
    ActivitySpinner *m_spinner;
    AnimatedValue m_spinnerPresence;

    QWidget *m_answerPane;
    QWidget *m_header;
    QScrollArea *m_answerScroll;
    QScrollBar *m_answerBar;
    MarkdownText *m_answerText;
    QWidget *m_followUpRow;
    TransitionEffect *m_followUpTransition;
    AnimatedValue m_followUpPresence;
    QLineEdit *m_followUpField;
    ExpandableResponseButton *m_copyButton;
    ExpandableResponseButton *m_chatButton;
    bool m_followUpHadFocus = false;
    bool m_questionHadFocus = false;
};
