#include "ModernMessageRow.h"

#include "BubbleFrame.h"
#include "MessageTime.h"
#include "ui/ElidedLabel.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainButton.h"
#include "ui/SymbolImage.h"
#include "ui/markup/TextBlock.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

const QColor userSymbolColour = QColor::fromRgbF(0.4f, 0.6f, 0.9f);
const QColor assistantSymbolColour = QColor::fromRgbF(0.8f, 0.6f, 0.4f);
const QColor dividerColour = QColor::fromRgbF(0.92f, 0.92f, 0.94f);

} // namespace

ModernMessageRow::ModernMessageRow(const ChatMessage &message, const QColor &textPrimary,
    const QColor &textSecondary, const QColor &accentBeige, QWidget *parent)
    : QWidget(parent)
    , m_message(message)
{
    const bool isUser = message.isUser();

    m_copyButton = new PlainButton(accentBeige, 4);
    m_copyButton->setAccessibleName(QStringLiteral("Copy"));
    m_copyButton->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto *copyLabel = new QHBoxLayout(m_copyButton);
    copyLabel->setContentsMargins(8, 4, 8, 4);
    copyLabel->addWidget(
        new ElidedLabel(QStringLiteral("Copy"), Fonts::custom(Fonts::hafferTrialRegular, 10), textSecondary));
    connect(m_copyButton, &QAbstractButton::clicked, this,
        [this] { QGuiApplication::clipboard()->setText(m_message.content()); });

    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(
        new SymbolImage(isUser ? QStringLiteral("person.circle.fill") : QStringLiteral("sparkles"),
            isUser ? userSymbolColour : assistantSymbolColour, 14, 14));
    header->addWidget(new ElidedLabel(isUser ? QStringLiteral("You") : QStringLiteral("AI"),
        Fonts::custom(Fonts::hafferTrialMedium, 13), textPrimary));
    header->addWidget(new ElidedLabel(
        formatMessageTime(message.timestamp()), Fonts::custom(Fonts::hafferTrialRegular, 11), textSecondary));
    header->addStretch(1);
    header->addWidget(m_copyButton);

    m_text = new TextBlock(message.content());
    m_text->setFont(Fonts::custom(Fonts::hafferTrialRegular, 14));
    m_text->setTextColor(textPrimary);
    m_text->setTextSelectable(true);
    m_text->setLineSpacing(4);

    auto *content = new QWidget;
    auto *stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    stack->addLayout(header);
    stack->addWidget(m_text);

    BubbleFrame::Look look;
    look.fill = isUser ? Palette::withOpacity(accentBeige, 0.3) : QColor(Qt::transparent);
    look.padding = QMargins(32, 16, 32, 16);
    m_column = new BubbleFrame(content, look);

    auto *row = new QVBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_column);
    row->addWidget(createDivider());
}

QWidget *ModernMessageRow::createDivider()
{
    auto *line = new QWidget;
    line->setFixedHeight(1);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, dividerColour);
    line->setPalette(palette);

    auto *divider = new QWidget;
    auto *layout = new QHBoxLayout(divider);
    layout->setContentsMargins(32, 0, 32, 0);
    layout->addWidget(line);
    return divider;
}
