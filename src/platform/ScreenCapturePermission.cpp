#include "ScreenCapturePermission.h"

#include <QGuiApplication>

namespace ScreenCapturePermission {

namespace {

Source &currentSource()
{
    static Source source;
    return source;
}

bool sessionGrantsAccess()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace

bool preflight()
{
    const Source &source = currentSource();
    return source.preflight ? source.preflight() : sessionGrantsAccess();
}

bool request()
{
    const Source &source = currentSource();
    return source.request ? source.request() : sessionGrantsAccess();
}

Source setSource(Source source)
{
    std::swap(currentSource(), source);
    return source;
}

} // namespace ScreenCapturePermission
