#pragma once

#include "ai/QuickAction.h"

#include <QImage>
#include <QRectF>
#include <QWidget>

#include <functional>
#include <optional>

// The floating analysis overlay that covers the main screen after a capture:
// the captured image where it was selected, the question and answer box and
// the quick actions. It fills the result window.
class CustomOverlayView : public QWidget
{
    Q_OBJECT

public:
    CustomOverlayView(const QRectF &selectedRect, const std::optional<QImage> &screenshotImage,
                      std::function<void(QuickAction)> onQuickAction, std::function<void()> onClose,
                      QWidget *parent = nullptr);

private:
    QRectF m_selectedRect;
    std::optional<QImage> m_screenshotImage;
    std::function<void(QuickAction)> m_onQuickAction;
    std::function<void()> m_onClose;
};
