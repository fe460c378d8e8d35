#include "ConversationSidebarView.h"

#include "ChatTexts.h"
#include "ConversationGroupView.h"
#include "ConversationThumbnails.h"
#include "ListScrollArea.h"
#include "SymbolButton.h"
#include "store/ConversationManager.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/Surface.h"
#include "ui/SymbolImage.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

ConversationSidebarView::ConversationSidebarView(ConversationManager &conversations, QWidget *parent)
    : QWidget(parent)
    , m_conversations(conversations)
    , m_thumbnails(new ConversationThumbnails(32, this))
{
    setFixedWidth(sidebarWidth);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new Surface(Palette::regularMaterial());
    auto *headerRow = new QHBoxLayout(header);
    headerRow->setContentsMargins(16, 21, 16, 21);
    auto *titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(new PlainLabel(QStringLiteral("Conversations"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferSemiBold), 16), Palette::primaryLabel()));
    m_count = new PlainLabel(ChatTexts::savedCountText(conversations.conversations().size()),
        Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 12), Palette::secondaryLabel());
    m_count->setObjectName(QStringLiteral("savedCount"));
    titles->addWidget(m_count);
    headerRow->addLayout(titles);
    headerRow->addStretch(1);
    SymbolButton::Look closeLook;
    closeLook.symbol = QStringLiteral("xmark");
    closeLook.colour = Palette::secondaryLabel();
    closeLook.symbolSize = 14;
    closeLook.frameSide = 24;
    closeLook.circleFill = Palette::withOpacity(Palette::quaternaryLabel(), 0.5);
    m_closeButton = new SymbolButton(closeLook);
    m_closeButton->setObjectName(QStringLiteral("sidebarCloseButton"));
    m_closeButton->setAccessibleName(QStringLiteral("Hide conversations"));
    connect(m_closeButton, &QAbstractButton::clicked, this, [this] { m_conversations.toggleSidebar(); });
    headerRow->addWidget(m_closeButton);
    column->addWidget(header);
    column->addWidget(Surface::divider());

    m_scrollArea = new ListScrollArea;
    column->addWidget(m_scrollArea, 1);

    connect(&conversations, &ConversationManager::conversationsChanged, this,
        &ConversationSidebarView::scheduleRebuild);
    rebuild();
}

void ConversationSidebarView::scheduleRebuild()
{
    // A row's own delete button starts the change: the list is rebuilt once
    // that handler has returned.
    if (m_rebuildScheduled)
        return;
    m_rebuildScheduled = true;
    QTimer::singleShot(0, this, &ConversationSidebarView::rebuild);
}

void ConversationSidebarView::rebuild()
{
    m_rebuildScheduled = false;
    m_count->setText(ChatTexts::savedCountText(m_conversations.conversations().size()));
    m_groups.clear();
    m_placeholder = nullptr;

    auto *list = new QWidget;
    list->setAutoFillBackground(false);
    auto *stack = new QVBoxLayout(list);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    const auto select
        = [this](const Conversation &conversation) { m_conversations.loadConversation(conversation); };
    const auto remove
        = [this](const Conversation &conversation) { m_conversations.deleteConversation(conversation); };
    for (const ConversationGroup &group : m_conversations.groupedConversations()) {
        auto *view
            = new ConversationGroupView(group.title, group.conversations, *m_thumbnails, select, remove);
        m_groups.append(view);
        view->addRows(int(group.conversations.size()));
        stack->addWidget(view);
    }
    if (m_conversations.conversations().isEmpty()) {
        m_placeholder = new QWidget;
        m_placeholder->setObjectName(QStringLiteral("noConversations"));
        auto *placeholder = new QVBoxLayout(m_placeholder);
        placeholder->setContentsMargins(0, 40, 0, 40);
        placeholder->setSpacing(12);
        placeholder->addWidget(
            new SymbolImage(QStringLiteral("tray"), Palette::tertiaryLabel(), 32, 32), 0, Qt::AlignHCenter);
        auto *text = new PlainLabel(QStringLiteral("No conversations yet"),
            Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 14), Palette::secondaryLabel());
        placeholder->addWidget(text, 0, Qt::AlignHCenter);
        stack->addWidget(m_placeholder);
    }
    stack->addStretch(1);

    // The scroll area deletes the list it held; it goes later, in case one
    // of its rows is still in a handler. The new list keeps the place of the
    // old one: a row deleted under the pointer leaves the next one there.
    QScrollBar *bar = m_scrollArea->verticalScrollBar();
    const int place = bar->value();
    if (QWidget *old = m_scrollArea->takeWidget())
        old->deleteLater();
    m_scrollArea->setWidget(list);
    m_list = list;
    bar->setValue(place);
}
