#include "OpenedLinks.h"

#include <QDesktopServices>

OpenedLinks::OpenedLinks()
{
    for (const QString &scheme : m_schemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

OpenedLinks::~OpenedLinks()
{
    for (const QString &scheme : m_schemes)
        QDesktopServices::unsetUrlHandler(scheme);
}
