#pragma once

#include <QColor>
#include <QMargins>
#include <QWidget>

// A rounded box behind one content widget, padded around it: the shape of a
// chat bubble, an avatar disc or a tinted row. It is as wide as its content
// asks, up to its maximum width, and as tall as the content is at the width
// it gets.
class BubbleFrame : public QWidget
{
    Q_OBJECT

public:
    struct Look
    {
        QColor fill = Qt::transparent;
        // Fill with the soft top-to-bottom gradient of the fill colour.
        bool gradient = false;
        // An outline drawn just inside the edge, when its width is not 0.
        QColor stroke = Qt::transparent;
        qreal strokeWidth = 0;
        qreal cornerRadius = 0;
        QMargins padding;
    };

    // The frame takes the content as its child.
    BubbleFrame(QWidget *content, const Look &look, QWidget *parent = nullptr);

    QWidget *content() const { return m_content; }
    const Look &look() const { return m_look; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QWidget *m_content;
    Look m_look;
};
