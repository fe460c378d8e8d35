#include "CustomOverlayView.h"

CustomOverlayView::CustomOverlayView(const QRectF &selectedRect, const std::optional<QImage> &screenshotImage,
                                     std::function<void(QuickAction)> onQuickAction,
                                     std::function<void()> onClose, QWidget *parent)
    : QWidget(parent)
    , m_selectedRect(selectedRect)
    , m_screenshotImage(screenshotImage)
    , m_onQuickAction(std::move(onQuickAction))
    , m_onClose(std::move(onClose))
{
}
