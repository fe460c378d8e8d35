#pragma once

#include <QByteArray>
#include <QImage>
#include <QWidget>

#include <optional>

// The small square picture of a saved conversation in the tray panel: its
// screenshot filling the square with rounded corners, or a "photo" symbol
// when there is no screenshot that can be shown.
class ConversationThumbnail : public QWidget
{
    Q_OBJECT

public:
    static constexpr int side = 24;

    // `image` is what thumbnailImage() made; a null image shows the symbol.
    explicit ConversationThumbnail(const QImage &image, QWidget *parent = nullptr);

    // The screenshot scaled to fill the square at the device pixel ratio,
    // cropped to its middle; a null image when there are no bytes or they do
    // not decode as an image.
    static QImage thumbnailImage(const std::optional<QByteArray> &screenshotData, qreal devicePixelRatio);

    bool showsScreenshot() const { return !m_image.isNull(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};
