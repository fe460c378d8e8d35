#pragma once

#include <QWidget>

// One line of plain text that is cut with "…" at its end when it does not fit
// the width it is given. Line breaks in the text show as spaces.
class ElidedLabel : public QWidget
{
    Q_OBJECT

public:
    ElidedLabel(const QString &text, const QFont &font, const QColor &colour, QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    // What is drawn at the current width.
    QString displayedText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    QString m_line;
};
