#include "ScreenCapturePermission.h"

#include <QGuiApplication>

namespace ScreenCapturePermission {

bool preflight()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool request()
{
    return preflight();
}

} // namespace ScreenCapturePermission
