#pragma once

#include <QImage>
#include <QObject>
#include <QRectF>

#include <optional>

class AIManager;

// The one capture manager of the application. It publishes whether the
// analysis overlay is showing, the image of the last capture (sized in
// logical pixels through its device pixel ratio) and the last accepted
// selection, in global logical coordinates.
//
// Every write of a published property stores the value and then emits its
// change signal, also when the value is equal to the old one.
class ScreenshotManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        bool isShowingOverlay READ isShowingOverlay WRITE setIsShowingOverlay NOTIFY isShowingOverlayChanged)
    Q_PROPERTY(std::optional<QImage> screenshotImage READ screenshotImage WRITE setScreenshotImage NOTIFY
            screenshotImageChanged)
    Q_PROPERTY(QRectF selectedRect READ selectedRect WRITE setSelectedRect NOTIFY selectedRectChanged)

public:
    static ScreenshotManager &shared();

    // True from the moment the result window shows until the overlay closes
    // or a new selection starts.
    bool isShowingOverlay() const { return m_isShowingOverlay; }
    void setIsShowingOverlay(bool showing);

    // Absent while no capture has succeeded since the last start or close.
    const std::optional<QImage> &screenshotImage() const { return m_screenshotImage; }
    void setScreenshotImage(const std::optional<QImage> &image);

    QRectF selectedRect() const { return m_selectedRect; }
    void setSelectedRect(const QRectF &rect);

    // Clears the previous capture, closes the capture windows and, a moment
    // later, shows the selection window over the main screen. Safe at any time.
    void startScreenshotSelection();

Q_SIGNALS:
    void isShowingOverlayChanged();
    void screenshotImageChanged();
    void selectedRectChanged();

private:
    ScreenshotManager();

    bool m_isShowingOverlay = false;
    // Whose answers decide whether closing the overlay saves, and who runs
    // the quick actions.
    AIManager &m_aiManager;
    std::optional<QImage> m_screenshotImage;
    QRectF m_selectedRect;
};
