#include "SavePanelPresenter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
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
    // A sheet on its window, as the other windows stay usable: an
    // application-modal dialog would hold the hot key's selection off the
    // keyboard and the pointer while it shows. The dialog goes with its
    // window if that closes meanwhile, hence the guard.
    QPointer<QFileDialog> dialog
        = new QFileDialog(parent, panel.title, QDir(folder).filePath(panel.proposedFileName), filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setWindowModality(Qt::WindowModal);
    // The type is added before the dialog checks for a file of that name, so
    // that "shot" asks before it replaces an existing shot.png.
    if (!panel.allowedFileTypes.isEmpty())
        dialog->setDefaultSuffix(panel.allowedFileTypes.first());
    if (!panel.canCreateDirectories)
        dialog->setOption(QFileDialog::ReadOnly);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    delete dialog;
    if (!accepted || chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return withAllowedSuffix(chosen.first(), panel);
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
