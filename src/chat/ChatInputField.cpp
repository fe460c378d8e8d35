#include "ChatInputField.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QTextBlock>

ChatInputField::ChatInputField(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setPlaceholderText(QStringLiteral("Message"));
    setFont(Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 15));
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Palette::primaryLabel());
    palette.setColor(QPalette::PlaceholderText, Palette::tertiaryLabel());
    setPalette(palette);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The document's size is not announced for every change of its lines
    // (a long paragraph emptied stays one block): the lines are counted
    // after every change of the text and of the width as well.
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        &ChatInputField::fitHeight);
    connect(this, &QPlainTextEdit::textChanged, this, &ChatInputField::fitHeight);
    fitHeight();
}

int ChatInputField::textLines() const
{
    // Laid out at the present width (the plain text layout lays out lazily
    // and may still count a block's old lines); counted only as far as needed.
    const QAbstractTextDocumentLayout *layout = document()->documentLayout();
    int lines = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid() && lines <= maximumLines;
         block = block.next()) {
        if (!block.isVisible())
            continue;
        layout->blockBoundingRect(block);
        lines += qMax(1, block.layout()->lineCount());
    }
    return qMax(1, lines);
}

int ChatInputField::visibleLines() const
{
    return qMin(textLines(), maximumLines);
}

void ChatInputField::fitHeight()
{
    const int lines = textLines();
    // Beyond four lines the text scrolls inside the field.
    setVerticalScrollBarPolicy(lines > maximumLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int height = qMin(lines, maximumLines) * fontMetrics().lineSpacing() + 2 * frameWidth();
    if (height != this->height())
        setFixedHeight(height);
}

void ChatInputField::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    // A new width wraps the text anew.
    if (event->oldSize().width() != event->size().width())
        fitHeight();
}

void ChatInputField::keyPressEvent(QKeyEvent *event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && !(event->modifiers() & Qt::ShiftModifier)) {
        event->accept();
        Q_EMIT submitted();
        return;
    }
    if (isReturn) {
        // Shift+Return: a line break, not a paragraph of another kind.
        insertPlainText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
