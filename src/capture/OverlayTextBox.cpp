#include "OverlayTextBox.h"

#include "ExpandableResponseButton.h"
#include "ui/ActivitySpinner.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/SymbolImage.h"
#include "ui/TransitionEffect.h"
#include "ui/markup/MarkdownText.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>

namespace {

constexpr int sidePadding = 20;
// The answer's scroll bar, in the right-hand padding, this far from the text.
constexpr int answerBarWidth = 8;
constexpr int answerBarGap = 4;
constexpr int stackSpacing = 16;
// The header: the symbol's frame below 20 pixels of padding.
constexpr int headerSymbolFrame = 20;
constexpr int headerHeight = 20 + headerSymbolFrame;

// A single-line field without a frame or a background of its own.
QLineEdit *plainField(const QString &placeholder, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setFrame(false);
    field->setPlaceholderText(placeholder);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Palette::primaryLabel());
    palette.setColor(QPalette::Disabled, QPalette::Text, Palette::tertiaryLabel());
    palette.setColor(QPalette::PlaceholderText, Palette::tertiaryLabel());
    field->setPalette(palette);
    field->setAttribute(Qt::WA_MacShowFocusRect, false);
    return field;
}

// The follow-up field's rounded, lightly filled background. The whole pill,
// its symbol and padding included, is the field: a click on it types there.
class FieldPill : public QWidget
{
public:
    FieldPill(QWidget *parent)
        : QWidget(parent)
    {
    }

    void setField(QLineEdit *field) { m_field = field; }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        if (m_field && m_field->isEnabled())
            m_field->setFocus(Qt::MouseFocusReason);
        event->accept();
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF pill = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        painter.setPen(QPen(Palette::withOpacity(Qt::white, 0.2), 0.5));
        painter.setBrush(Palette::withOpacity(Palette::ultraThinMaterial(), 0.5));
        painter.drawRoundedRect(pill, 20, 20);
    }

private:
    QLineEdit *m_field = nullptr;
};

} // namespace

OverlayTextBox::OverlayTextBox(QWidget *parent)
    : QWidget(parent)
{
    m_questionRow = createQuestionRow();
    m_answerPane = createAnswerPane();
    m_answerPane->hide();

    connect(&m_spinnerPresence, &AnimatedValue::valueChanged, this, &OverlayTextBox::updateSpinner);
    connect(&m_followUpPresence, &AnimatedValue::valueChanged, this, &OverlayTextBox::layOutContents);
}

QWidget *OverlayTextBox::createQuestionRow()
{
    auto *row = new QWidget(this);
    row->setObjectName(QStringLiteral("questionRow"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(sidePadding, 16, sidePadding, 16);
    layout->setSpacing(12);
    layout->addWidget(
        new SymbolImage(QStringLiteral("magnifyingglass"), Palette::secondaryLabel(), 18, 20, row));
    m_questionField = plainField(QStringLiteral("Ask about this screenshot..."), row);
    m_questionField->setObjectName(QStringLiteral("questionField"));
    connect(m_questionField, &QLineEdit::returnPressed, this, &OverlayTextBox::questionSubmitted);
    layout->addWidget(m_questionField, 1);
    m_spinner = new ActivitySpinner(row);
    m_spinner->setObjectName(QStringLiteral("spinner"));
    m_spinner->hide();
    layout->addWidget(m_spinner);
    return row;
}

QWidget *OverlayTextBox::createAnswerPane()
{
    auto *pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("answerPane"));

    m_header = new SymbolImage(QStringLiteral("sparkles"), Palette::blue(), 18, headerSymbolFrame, pane);

    m_answerText = new MarkdownText(QString(), pane);
    m_answerText->setObjectName(QStringLiteral("answerText"));
    m_answerText->setTextSelectable(true);
    m_answerText->setLineSpacing(6);
    m_answerScroll = new QScrollArea(pane);
    m_answerScroll->setObjectName(QStringLiteral("answerScroll"));
    m_answerScroll->setFrameShape(QFrame::NoFrame);
    m_answerScroll->setWidgetResizable(true);
    m_answerScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The answer keeps the box's padding on both sides, whichever side its
    // text starts on: its bar stands apart, in the right-hand padding, and
    // follows the area's own (hidden) bar, which the wheel still drives.
    m_answerScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_answerScroll->setWidget(m_answerText);
    // Clicks on the answer's background or its bar leave the keyboard where
    // it was (the text itself takes it while something is selected in it).
    m_answerScroll->setFocusPolicy(Qt::NoFocus);
    m_answerScroll->setAutoFillBackground(false);
    m_answerScroll->viewport()->setAutoFillBackground(false);
    m_answerText->setAutoFillBackground(false);

    m_answerBar = new QScrollBar(Qt::Vertical, pane);
    m_answerBar->setObjectName(QStringLiteral("answerScrollBar"));
    m_answerBar->setFocusPolicy(Qt::NoFocus);
    m_answerBar->hide();
    // A slim bar that leaves the material showing through.
    m_answerBar->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: transparent; width: %2px; margin: 0; }"
                       "QScrollBar::handle:vertical { background: %1; border-radius: 3px; min-height: 24px;"
                       " margin: 0 1px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }")
            .arg(Palette::tertiaryLabel().name(QColor::HexArgb))
            .arg(answerBarWidth));
    QScrollBar *areaBar = m_answerScroll->verticalScrollBar();
    connect(areaBar, &QScrollBar::rangeChanged, this, [this, areaBar](int minimum, int maximum) {
        m_answerBar->setRange(minimum, maximum);
        m_answerBar->setPageStep(areaBar->pageStep());
        m_answerBar->setSingleStep(areaBar->singleStep());
        m_answerBar->setVisible(maximum > minimum);
    });
    connect(areaBar, &QScrollBar::valueChanged, m_answerBar, &QScrollBar::setValue);
    connect(m_answerBar, &QScrollBar::valueChanged, areaBar, &QScrollBar::setValue);

    m_followUpRow = createFollowUpRow();
    m_followUpRow->setParent(pane);
    m_followUpTransition = new TransitionEffect(m_followUpRow);
    m_followUpRow->setGraphicsEffect(m_followUpTransition);
    m_followUpRow->hide();
    return pane;
}

QWidget *OverlayTextBox::createFollowUpRow()
{
    auto *row = new QWidget;
    row->setObjectName(QStringLiteral("followUpRow"));
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(sidePadding, 0, sidePadding, 20);
    layout->setSpacing(12);

    auto *pill = new FieldPill(row);
    auto *pillLayout = new QHBoxLayout(pill);
    pillLayout->setContentsMargins(16, 12, 16, 12);
    pillLayout->setSpacing(8);
    pillLayout->addWidget(
        new SymbolImage(QStringLiteral("bubble.left"), Palette::secondaryLabel(), 16, 16, pill));
    m_followUpField = plainField(QStringLiteral("Ask more about this..."), pill);
    m_followUpField->setObjectName(QStringLiteral("followUpField"));
    m_followUpField->setFont(Fonts::system(14));
    pill->setField(m_followUpField);
    connect(m_followUpField, &QLineEdit::returnPressed, this, &OverlayTextBox::followUpSubmitted);
    pillLayout->addWidget(m_followUpField, 1);
    layout->addWidget(pill, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    m_copyButton = new ExpandableResponseButton(
        QStringLiteral("doc.on.doc"), QStringLiteral("Copy"), false, [this] { Q_EMIT copyTapped(); },
        [this](bool hovering) { Q_EMIT responseButtonHovered(QStringLiteral("copy"), hovering); }, row);
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    m_chatButton = new ExpandableResponseButton(
        QStringLiteral("arrow.up.left.and.arrow.down.right"), QStringLiteral("Chat"), false,
        [this] { Q_EMIT chatTapped(); },
        [this](bool hovering) { Q_EMIT responseButtonHovered(QStringLiteral("chat"), hovering); }, row);
    m_chatButton->setObjectName(QStringLiteral("chatButton"));
    buttons->addWidget(m_copyButton);
    buttons->addWidget(m_chatButton);
    layout->addLayout(buttons);
    return row;
}

void OverlayTextBox::setCornerRadius(qreal radius)
{
    m_cornerRadius = radius;
    update();
}

void OverlayTextBox::setAnswer(const std::optional<AIResponse> &answer)
{
    m_answer = answer;
    if (answer && m_answerText->content() != answer->content)
        m_answerText->setContent(answer->content);
    m_questionRow->setVisible(!answer);
    m_answerPane->setVisible(answer.has_value());
    layOutContents();
}

void OverlayTextBox::setProcessing(bool processing)
{
    setFieldsEnabled(!processing);
    m_spinnerPresence.animateTo(processing ? 1 : 0, Motion::easeInOut(0.35));
    updateSpinner();
}

void OverlayTextBox::setFieldsEnabled(bool enabled)
{
    if (!enabled) {
        m_followUpHadFocus = m_followUpField->hasFocus();
        m_questionHadFocus = m_questionField->hasFocus();
    }
    m_questionField->setEnabled(enabled);
    m_followUpField->setEnabled(enabled);
    // The chat window takes the answers as they stand: one still on its way
    // would miss the chat's transcript yet be saved with it.
    m_chatButton->setEnabled(enabled);
    // Disabling takes the focus away; someone who just sent a follow-up keeps
    // typing in the same field once the answer is in.
    if (enabled && m_followUpHadFocus && m_followUpField->isVisible())
        m_followUpField->setFocus(Qt::OtherFocusReason);
}

void OverlayTextBox::updateSpinner()
{
    const qreal presence = m_spinnerPresence.value();
    m_spinner->setVisible(presence > 0);
    m_spinner->setLook(0.8, presence);
}

void OverlayTextBox::setResponseHeight(qreal height)
{
    m_responseHeight = height;
    layOutContents();
}

void OverlayTextBox::setFollowUpFieldShown(bool shown, bool animated)
{
    if (animated)
        m_followUpPresence.animateTo(shown ? 1 : 0, Motion::spring(0.5, 0.8));
    else
        m_followUpPresence.setValue(shown ? 1 : 0);
    layOutContents();
}

void OverlayTextBox::setHoveredResponseButton(const std::optional<QString> &key)
{
    m_copyButton->setHovered(key == QStringLiteral("copy"));
    m_chatButton->setHovered(key == QStringLiteral("chat"));
}

void OverlayTextBox::layOutContents()
{
    m_questionRow->setGeometry(rect());
    m_answerPane->setGeometry(rect());

    // The answer layout is a column centred in the box: the header, the
    // answer and, as it comes in, the follow-up row, 16 pixels apart.
    const qreal presence = m_followUpPresence.value();
    const int rowHeight = m_followUpRow->sizeHint().height();
    const qreal stackHeight
        = headerHeight + stackSpacing + m_responseHeight + presence * (stackSpacing + rowHeight);
    const qreal top = (height() - stackHeight) / 2;
    m_header->move(sidePadding, qRound(top) + 20);
    const QRect answerArea(sidePadding, qRound(top + headerHeight + stackSpacing), width() - 2 * sidePadding,
        qRound(m_responseHeight));
    m_answerScroll->setGeometry(answerArea);
    m_answerBar->setGeometry(
        answerArea.right() + 1 + answerBarGap, answerArea.top(), answerBarWidth, answerArea.height());
    const qreal rowTop = top + headerHeight + stackSpacing + m_responseHeight + stackSpacing;
    m_followUpRow->setGeometry(0, qRound(rowTop), width(), rowHeight);
    // It rises in from below the box's bottom edge as it fades in.
    m_followUpTransition->setLook(
        qMax<qreal>(0, qMin<qreal>(1, presence)), 1, QPointF(0, (1 - presence) * (height() - rowTop)));
    m_followUpRow->setVisible(presence > 0);
    if (m_questionHadFocus && m_followUpRow->isVisible() && m_followUpField->isEnabled())
        passFocusToFollowUp();
}

void OverlayTextBox::passFocusToFollowUp()
{
    m_questionHadFocus = false;
    // Someone who asked from the question field goes on typing in the
    // follow-up field that replaces it, unless they have since selected
    // something in the answer.
    const QWidget *focused = QApplication::focusWidget();
    if (focused && focused != m_followUpField && isAncestorOf(focused))
        return;
    m_followUpField->setFocus(Qt::OtherFocusReason);
}

void OverlayTextBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    painter.setPen(QPen(Palette::withOpacity(Qt::white, 0.15), 0.5));
    // Nothing behind the box is blurred, so it takes the densest material,
    // dense enough that the screen's details never run through the answer.
    painter.setBrush(Palette::screenFill(Palette::regularMaterial(), 0.95));
    painter.drawRoundedRect(box, m_cornerRadius, m_cornerRadius);
}

void OverlayTextBox::resizeEvent(QResizeEvent *event)
{
    layOutContents();
    QWidget::resizeEvent(event);
}

void OverlayTextBox::mousePressEvent(QMouseEvent *event)
{
    // The box is solid to the pointer: a click on it is not a click on the
    // backdrop behind it. Without an answer the whole box is the question
    // field's pill, so a click anywhere on it types there; with one, a click
    // on its background leaves the keyboard where it was.
    if (m_questionRow->isVisible() && m_questionField->isEnabled())
        m_questionField->setFocus(Qt::MouseFocusReason);
    event->accept();
}
