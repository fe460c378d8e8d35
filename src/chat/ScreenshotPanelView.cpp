#include "ScreenshotPanelView.h"

#include "ChatWindowManager.h"
#include "HoverActionButton.h"
#include "ScreenshotImageView.h"
#include "SymbolButton.h"
#include "store/ConversationManager.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/Surface.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QVBoxLayout>

ScreenshotPanelView::ScreenshotPanelView(ChatWindowManager &chat, ConversationManager &conversations,
    std::function<void()> closeAndSave, QWidget *parent)
    : QWidget(parent)
    , m_chat(chat)
    , m_conversations(conversations)
{
    setFixedWidth(panelWidth);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new Surface(Palette::regularMaterial());
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(24, 20, 24, 20);
    SymbolButton::Look sidebarLook;
    sidebarLook.symbol = QStringLiteral("sidebar.left");
    sidebarLook.colour = Palette::secondaryLabel();
    sidebarLook.symbolSize = 16;
    sidebarLook.frameSide = 20;
    m_sidebarButton = new SymbolButton(sidebarLook);
    m_sidebarButton->setObjectName(QStringLiteral("sidebarButton"));
    m_sidebarButton->setAccessibleName(QStringLiteral("Show conversations"));
    connect(m_sidebarButton, &QAbstractButton::clicked, this, [this] { m_conversations.toggleSidebar(); });
    headerRow->addWidget(m_sidebarButton);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    titles->addWidget(new PlainLabel(QStringLiteral("Screenshot"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferSemiBold), 17), Palette::primaryLabel()));
    titles->addWidget(new PlainLabel(QStringLiteral("Reference Image"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 13), Palette::secondaryLabel()));
    headerRow->addLayout(titles);
    headerRow->addStretch(1);
    SymbolButton::Look closeLook;
    closeLook.symbol = QStringLiteral("xmark.circle.fill");
    closeLook.colour = Palette::quaternaryLabel();
    closeLook.detailColour = Palette::secondaryLabel();
    closeLook.symbolSize = 20;
    closeLook.frameSide = 22;
    m_closeButton = new SymbolButton(closeLook);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setAccessibleName(QStringLiteral("Close"));
    connect(m_closeButton, &QAbstractButton::clicked, this, [closeAndSave] {
        if (closeAndSave)
            closeAndSave();
    });
    headerRow->addWidget(m_closeButton);
    column->addWidget(header);
    column->addWidget(Surface::divider());

    auto *scrollArea = new QScrollArea;
    scrollArea->setFrameShape(QFrame::NoFrame);
    scrollArea->setWidgetResizable(true);
    scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette areaPalette = scrollArea->palette();
    areaPalette.setColor(QPalette::Window, Palette::thinMaterial());
    scrollArea->setPalette(areaPalette);
    scrollArea->viewport()->setAutoFillBackground(true);
    // A click on the image leaves the keyboard in the chat's input.
    scrollArea->setFocusPolicy(Qt::TabFocus);
    auto *content = new QWidget;
    content->setAutoFillBackground(false);
    auto *stack = new QVBoxLayout(content);
    // The image view keeps room for its shadow inside these 24 and 20 points.
    const QMargins shadow = ScreenshotImageView::shadowMargins;
    stack->setContentsMargins(24 - shadow.left(), 20 - shadow.top(), 24 - shadow.right(), 20);
    stack->setSpacing(0);
    m_imageView = new ScreenshotImageView;
    m_imageView->setObjectName(QStringLiteral("screenshot"));
    stack->addWidget(m_imageView);
    stack->addSpacing(20 - shadow.bottom());
    m_actions = new QWidget;
    auto *actions = new QHBoxLayout(m_actions);
    actions->setContentsMargins(0, 0, 0, 0);
    actions->setSpacing(12);
    m_copyButton = new HoverActionButton(
        QStringLiteral("Copy"), QStringLiteral("doc.on.doc"), [this] { m_chat.copyScreenshotToClipboard(); });
    m_copyButton->setObjectName(QStringLiteral("copyScreenshotButton"));
    m_saveButton = new HoverActionButton(
        QStringLiteral("Save"), QStringLiteral("square.and.arrow.down"), [this] { m_chat.saveScreenshot(); });
    m_saveButton->setObjectName(QStringLiteral("saveScreenshotButton"));
    actions->addStretch(1);
    actions->addWidget(m_copyButton);
    actions->addWidget(m_saveButton);
    actions->addStretch(1);
    stack->addWidget(m_actions);
    stack->addStretch(1);
    scrollArea->setWidget(content);
    column->addWidget(scrollArea, 1);

    connect(&chat, &ChatWindowManager::currentScreenshotChanged, this, &ScreenshotPanelView::showScreenshot);
    const auto showSidebarButton
        = [this] { m_sidebarButton->setVisible(!m_conversations.isSidebarExpanded()); };
    connect(&conversations, &ConversationManager::isSidebarExpandedChanged, this, showSidebarButton);
    showSidebarButton();
    showScreenshot();
}

void ScreenshotPanelView::showScreenshot()
{
    const std::optional<QImage> &image = m_chat.currentScreenshot();
    m_imageView->setImage(image);
    m_actions->setVisible(m_imageView->image().has_value());
}
