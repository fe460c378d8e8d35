#include "ConversationGroupView.h"

#include "ConversationRowView.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/Surface.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

ConversationGroupView::ConversationGroupView(const QString &title, const QList<Conversation> &conversations,
    ConversationThumbnails &thumbnails, std::function<void(const Conversation &)> onConversationSelect,
    std::function<void(const Conversation &)> onConversationDelete, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_conversations(conversations)
    , m_thumbnails(thumbnails)
    , m_onConversationSelect(std::move(onConversationSelect))
    , m_onConversationDelete(std::move(onConversationDelete))
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 12);
    column->setSpacing(4);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(16, 20, 16, 20);
    QFont titleFont = Fonts::custom(QString::fromLatin1(Fonts::hafferMedium), 12);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 0.5);
    auto *titleLabel = new PlainLabel(title.toUpper(), titleFont, Palette::secondaryLabel());
    titleLabel->setObjectName(QStringLiteral("groupTitle"));
    header->addWidget(titleLabel);
    header->addStretch(1);
    auto *badge = new Surface(Palette::withOpacity(Palette::quaternaryLabel(), 0.5), 1000);
    auto *badgeLayout = new QHBoxLayout(badge);
    badgeLayout->setContentsMargins(6, 2, 6, 2);
    auto *count = new PlainLabel(QString::number(conversations.size()),
        Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 10), Palette::tertiaryLabel());
    count->setObjectName(QStringLiteral("groupCount"));
    badgeLayout->addWidget(count);
    header->addWidget(badge);
    column->addLayout(header);

    m_rowStack = new QVBoxLayout;
    m_rowStack->setSpacing(2);
    column->addLayout(m_rowStack);
}

int ConversationGroupView::addRows(int count)
{
    int made = 0;
    for (; made < count && !hasAllRows(); ++made) {
        const Conversation &conversation = m_conversations.at(m_rows.size());
        const auto select = m_onConversationSelect;
        const auto remove = m_onConversationDelete;
        auto *row = new ConversationRowView(
            conversation, m_thumbnails,
            [select, conversation] {
                if (select)
                    select(conversation);
            },
            [remove, conversation] {
                if (remove)
                    remove(conversation);
            });
        if (m_isSaved)
            row->setSaved(m_isSaved(conversation.id()));
        m_rows.append(row);
        m_rowStack->addWidget(row);
    }
    return made;
}
