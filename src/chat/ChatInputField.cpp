#include "ChatInputField.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QtMath>

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
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        &ChatInputField::fitHeight);
    fitHeight();
}

int ChatInputField::visibleLines() const
{
    // The plain text layout measures the document in lines.
    const int lines = qCeil(document()->documentLayout()->documentSize().height());
    return qBound(1, lines, maximumLines);
}

void ChatInputField::fitHeight()
{
    const int lines = qCeil(document()->documentLayout()->documentSize().height());
    // Beyond four lines the text scrolls inside the field.
    setVerticalScrollBarPolicy(lines > maximumLines ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    const int height = visibleLines() * fontMetrics().lineSpacing() + 2 * frameWidth();
    if (height != this->height())
        setFixedHeight(height);
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
