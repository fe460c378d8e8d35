#pragma once

#include <QImage>
#include <QWidget>

#include <optional>

// The small square picture of a saved conversation in the tray panel: its
// screenshot filling the square with rounded corners, or a "photo" symbol
// when there is no screenshot that can be shown; a quiet square while the
// screenshot is still being decoded.
class ConversationThumbnail : public QWidget
{
    Q_OBJECT

public:
    static constexpr int side = 24;

    // `image` is the picture ConversationThumbnails made, a null image showing the symbol;
    // nothing while it is being made.
    explicit ConversationThumbnail(const std::optional<QImage> &image, QWidget *parent = nullptr);

    void setImage(const QImage &image);

    bool showsScreenshot() const { return m_image && !m_image->isNull(); }
    bool isLoading() const { return !m_image; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::optional<QImage> m_image;
};
