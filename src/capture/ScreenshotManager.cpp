#include "ScreenshotManager.h"

#include "ai/AIManager.h"

ScreenshotManager &ScreenshotManager::shared()
{
    static ScreenshotManager *manager = new ScreenshotManager; // lives as long as the process
    return *manager;
}

ScreenshotManager::ScreenshotManager()
    : m_aiManager(AIManager::shared())
{ }

void ScreenshotManager::setIsShowingOverlay(bool showing)
{
    m_isShowingOverlay = showing;
    Q_EMIT isShowingOverlayChanged();
}

void ScreenshotManager::setScreenshotImage(const std::optional<QImage> &image)
{
    m_screenshotImage = image;
    Q_EMIT screenshotImageChanged();
}

void ScreenshotManager::setSelectedRect(const QRectF &rect)
{
    m_selectedRect = rect;
    Q_EMIT selectedRectChanged();
}

void ScreenshotManager::startScreenshotSelection()
{
    // The selection road arrives with the capture windows.
}
