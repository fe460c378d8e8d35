#pragma once

#include <QImage>
#include <QMargins>
#include <QWidget>

#include <optional>

// The reference screenshot of the chat window: the image scaled to the
// width it is given, keeping its aspect ratio, with rounded corners, a thin
// outline and a soft shadow; without an image, a grey placeholder 200 high
// with the "photo.on.rectangle" symbol and "No Image". The widget keeps a
// margin around the picture for the shadow.
class ScreenshotImageView : public QWidget
{
    Q_OBJECT

public:
    static constexpr QMargins shadowMargins { 8, 4, 8, 12 };

    explicit ScreenshotImageView(QWidget *parent = nullptr);

    void setImage(const std::optional<QImage> &image);
    const std::optional<QImage> &image() const { return m_image; }
    // Where the picture (or the placeholder) is drawn.
    QRectF pictureRect() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<QImage> m_image;
    // The image scaled to the size last drawn, so that repaints do not scale it again.
    QImage m_scaled;
};
