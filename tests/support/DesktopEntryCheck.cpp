#include "DesktopEntryCheck.h"

#include <QProcess>
#include <QStandardPaths>

namespace DesktopEntryCheck {

QString validationErrors(const QString &path)
{
    QProcess validator;
    validator.start(QStringLiteral("desktop-file-validate"), { path });
    if (!validator.waitForFinished(10000))
        return QStringLiteral("desktop-file-validate did not run");
    const QString output = QString::fromUtf8(validator.readAll());
    return validator.exitCode() == 0 && output.isEmpty() ? QString() : output + u' ';
}

bool validatorInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate")).isEmpty();
}

} // namespace DesktopEntryCheck
