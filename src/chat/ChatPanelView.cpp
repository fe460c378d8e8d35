#include "ChatPanelView.h"

#include "ChatInputField.h"
#include "ChatTexts.h"
#include "ChatWindowManager.h"
#include "ListScrollArea.h"
#include "SymbolButton.h"
#include "TranscriptListView.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/PlainLabel.h"
#include "ui/Surface.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtMath>

namespace {

const Motion blankMotion = Motion::spring(0.2, 1);
const Motion bounceMotion = Motion::linear(0.35);
constexpr qreal bounceHeight = 0.2;

} // namespace

ChatPanelView::ChatPanelView(ChatWindowManager &chat, QWidget *parent)
    : QWidget(parent)
    , m_chat(chat)
    , m_sendScale(0.8)
    , m_bounce(1)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new Surface(Palette::regularMaterial());
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(24, 20, 24, 20);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(new PlainLabel(QStringLiteral("Pexilo AI"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferSemiBold), 18), Palette::primaryLabel()));
    m_status = new PlainLabel(
        QString(), Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 13), Palette::secondaryLabel());
    m_status->setObjectName(QStringLiteral("status"));
    titles->addWidget(m_status);
    headerRow->addLayout(titles);
    headerRow->addStretch(1);
    auto *clear = new PlainButton;
    clear->setObjectName(QStringLiteral("clearButton"));
    clear->setCursor(Qt::PointingHandCursor);
    auto *clearLayout = new QHBoxLayout(clear);
    clearLayout->setContentsMargins(0, 0, 0, 0);
    clearLayout->addWidget(new PlainLabel(QStringLiteral("Clear"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferMedium), 14), Palette::orange()));
    connect(clear, &QAbstractButton::clicked, this, [this] { m_chat.clearConversation(); });
    m_clearButton = clear;
    headerRow->addWidget(clear);
    column->addWidget(header);
    column->addWidget(Surface::divider());

    m_scrollArea = new ListScrollArea;
    m_transcript = new TranscriptListView;
    m_transcript->setAutoFillBackground(false);
    m_scrollArea->setWidget(m_transcript);
    column->addWidget(m_scrollArea, 1);
    column->addWidget(Surface::divider());

    auto *inputBar = new Surface(Palette::regularMaterial());
    auto *inputRow = new QHBoxLayout(inputBar);
    inputRow->setContentsMargins(20, 16, 20, 16);
    inputRow->setSpacing(12);
    auto *pill = new Surface(Palette::withOpacity(Palette::quaternaryLabel(), 0.5), 18);
    auto *pillLayout = new QHBoxLayout(pill);
    pillLayout->setContentsMargins(16, 12, 16, 12);
    m_input = new ChatInputField;
    m_input->setObjectName(QStringLiteral("input"));
    pillLayout->addWidget(m_input);
    inputRow->addWidget(pill, 1, Qt::AlignVCenter);
    SymbolButton::Look sendLook;
    sendLook.symbol = QStringLiteral("arrow.up.circle.fill");
    sendLook.colour = sendButtonColor(false, true);
    sendLook.detailColour = Qt::white;
    sendLook.symbolSize = 28;
    sendLook.frameSide = 34; // room for the bounce
    m_sendButton = new SymbolButton(sendLook);
    m_sendButton->setObjectName(QStringLiteral("sendButton"));
    m_sendButton->setAccessibleName(QStringLiteral("Send"));
    inputRow->addWidget(m_sendButton, 0, Qt::AlignVCenter);
    column->addWidget(inputBar);

    connect(m_input, &ChatInputField::submitted, this, &ChatPanelView::sendMessage);
    connect(m_sendButton, &QAbstractButton::clicked, this, &ChatPanelView::sendMessage);
    connect(m_input, &QPlainTextEdit::textChanged, this, &ChatPanelView::showInputState);
    const auto scaleSendButton = [this] {
        m_sendButton->setScale(m_sendScale.value() * (1 + bounceHeight * qSin(M_PI * m_bounce.value())));
    };
    connect(&m_sendScale, &AnimatedValue::valueChanged, this, scaleSendButton);
    connect(&m_bounce, &AnimatedValue::valueChanged, this, scaleSendButton);
    scaleSendButton();

    connect(&chat, &ChatWindowManager::messagesChanged, this, [this] {
        m_transcript->setMessages(m_chat.messages());
        showStatus();
    });
    connect(&chat, &ChatWindowManager::isProcessingChanged, this, &ChatPanelView::showProcessing);
    m_transcript->setMessages(chat.messages());
    m_shownProcessing = chat.isProcessing();
    m_transcript->setProcessing(m_shownProcessing);
    m_input->setEnabled(!m_shownProcessing);
    showStatus();
    showInputState();
}

QColor ChatPanelView::sendButtonColor(bool isProcessing, bool inputIsBlank)
{
    if (isProcessing)
        return Palette::orange();
    if (inputIsBlank)
        return Palette::withOpacity(Palette::secondaryLabel(), 0.3);
    return Palette::blue();
}

void ChatPanelView::sendMessage()
{
    if (m_chat.sendMessage(m_input->toPlainText()))
        m_input->clear();
}

void ChatPanelView::showStatus()
{
    m_status->setText(ChatTexts::chatStatusText(m_chat.isProcessing(), m_chat.messages().size()));
}

void ChatPanelView::showProcessing()
{
    const bool processing = m_chat.isProcessing();
    showStatus();
    if (processing == m_shownProcessing)
        return; // written again with the same value
    m_shownProcessing = processing;
    m_transcript->setProcessing(processing);
    // A field that had the keyboard when it was disabled gets it back.
    if (processing)
        m_inputHadFocus = m_input->hasFocus();
    m_input->setEnabled(!processing);
    if (!processing && m_inputHadFocus && window()->isActiveWindow())
        m_input->setFocus(Qt::OtherFocusReason);
    showInputState();
    // The send button bounces at every change of the state.
    m_bounce.setValue(0);
    m_bounce.animateTo(1, bounceMotion);
}

void ChatPanelView::showInputState()
{
    const bool blank = ChatTexts::isBlankInput(m_input->toPlainText());
    m_sendButton->setEnabled(!blank);
    m_sendButton->setColour(sendButtonColor(m_chat.isProcessing(), blank));
    m_sendScale.animateTo(blank ? 0.8 : 1.0, blankMotion);
}
