#include "Resources.h"

namespace Resources {

QIcon menuBarIcon()
{
    return QIcon(QStringLiteral(":/images/MenuBarIcon.svg"));
}

} // namespace Resources
