#include "SavePanelPresenter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStandardPaths>

#include <utility>

namespace {

SavePanelPresenter::Presenter &installedPresenter()
{
    static SavePanelPresenter::Presenter presenter;
    return presenter;
}

} // namespace

std::optional<QString> SavePanelPresenter::present(QWidget *parent, const SavePanel &panel)
{
    const Presenter &presenter = installedPresenter();
    return presenter ? presenter(parent, panel) : presentFileDialog(parent, panel);
}

SavePanelPresenter::Presenter SavePanelPresenter::setPresenter(Presenter presenter)
{
    return std::exchange(installedPresenter(), std::move(presenter));
}

std::optional<QString> SavePanelPresenter::presentFileDialog(QWidget *parent, const SavePanel &panel)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    QStringList patterns;
    for (const QString &type : panel.allowedFileTypes)
        patterns << QStringLiteral("*.") + type;
    const QString filter = patterns.isEmpty()
        ? QString()
        : QStringLiteral("%1 (%2)").arg(panel.allowedFileTypes.first().toUpper(), patterns.join(u' '));
    QFileDialog::Options options;
    if (!panel.canCreateDirectories)
        options |= QFileDialog::ReadOnly;
    const QString path = QFileDialog::getSaveFileName(
        parent, panel.title, QDir(folder).filePath(panel.proposedFileName), filter, nullptr, options);
    if (path.isEmpty())
        return std::nullopt;
    return withAllowedSuffix(path, panel);
}

QString SavePanelPresenter::withAllowedSuffix(const QString &path, const SavePanel &panel)
{
    if (panel.allowedFileTypes.isEmpty())
        return path;
    const QString suffix = QFileInfo(path).suffix();
    for (const QString &type : panel.allowedFileTypes)
        if (suffix.compare(type, Qt::CaseInsensitive) == 0)
            return path;
    return path + QLatin1Char('.') + panel.allowedFileTypes.first();
}
