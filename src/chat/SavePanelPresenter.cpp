#include "SavePanelPresenter.h"

#include "ui/WindowPlacement.h"

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

void SavePanelPresenter::present(QWidget *parent, const SavePanel &panel, Completion completion)
{
    if (const Presenter &presenter = installedPresenter())
        completion(presenter(parent, panel));
    else
        presentFileDialog(parent, panel, std::move(completion));
}

SavePanelPresenter::Presenter SavePanelPresenter::setPresenter(Presenter presenter)
{
    return std::exchange(installedPresenter(), std::move(presenter));
}

void SavePanelPresenter::presentFileDialog(QWidget *parent, const SavePanel &panel, Completion completion)
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
    // A sheet on its window, without a loop of its own: the other windows
    // stay usable, and a modal loop would hold the hot key's selection off
    // the keyboard and the pointer while it shows. The dialog goes with its
    // window if that closes meanwhile.
    auto *dialog
        = new QFileDialog(parent, panel.title, QDir(folder).filePath(panel.proposedFileName), filter);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setWindowModality(Qt::WindowModal);
    // The type is added before the dialog checks for a file of that name, so
    // that "shot" asks before it replaces an existing shot.png.
    if (!panel.allowedFileTypes.isEmpty())
        dialog->setDefaultSuffix(panel.allowedFileTypes.first());
    if (!panel.canCreateDirectories)
        dialog->setOption(QFileDialog::ReadOnly);
    QObject::connect(
        dialog, &QDialog::finished, dialog, [dialog, panel, completion = std::move(completion)](int result) {
            const QStringList chosen = dialog->selectedFiles();
            if (result != QDialog::Accepted || chosen.isEmpty() || chosen.first().isEmpty())
                completion(std::nullopt);
            else
                completion(withAllowedSuffix(chosen.first(), panel));
        });
    WindowPlacement::returnKeyboardWhenClosed(dialog);
    dialog->open();
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
