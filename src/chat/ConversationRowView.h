#pragma once

#include "store/Conversation.h"
#include "ui/AnimatedValue.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

#include <functional>

class ConversationThumbnails;
class SymbolButton;

// One saved conversation in the chat window's sidebar: a thumbnail of its
// screenshot, its title on at most two lines, its date and the number of
// exchanges. A click anywhere on it opens it; while the pointer is over it,
// it lights up and shows a delete button in its top trailing corner, which
// deletes and does nothing else.
class ConversationRowView : public QWidget
{
    Q_OBJECT

public:
    ConversationRowView(const Conversation &conversation, ConversationThumbnails &thumbnails,
        std::function<void()> onSelect, std::function<void()> onDelete, QWidget *parent = nullptr);

    const Conversation &conversation() const { return m_conversation; }
    bool isHovering() const { return m_isHovering; }
    // The delete button while the row is hovered (and as it fades out).
    SymbolButton *deleteButton() const { return m_deleteButton; }

    // The title as drawn at the width: at most two lines, the second cut
    // with "…" when more is left.
    QStringList titleLines(int width) const;
    // The meta line: the short date, "•" and the exchanges.
    QString metaText() const;
    bool showsScreenshotThumbnail() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setHovering(bool hovering);
    void placeDeleteButton();
    int titleWidth(int rowWidth) const;

    Conversation m_conversation;
    ConversationThumbnails &m_thumbnails;
    std::function<void()> m_onSelect;
    std::function<void()> m_onDelete;
    bool m_isHovering = false;
    bool m_pressed = false;
    // Made the first time the pointer comes over the row: most rows of a
    // long list never need one.
    AnimatedValue *m_hover = nullptr;
    SymbolButton *m_deleteButton = nullptr;
    // The title's lines at the widths asked lately: the sidebar asks each of
    // its hundreds of rows at its own width and at the size hint's in turn.
    mutable QHash<int, QStringList> m_linesAt;
};
