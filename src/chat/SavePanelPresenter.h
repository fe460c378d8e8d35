#pragma once

#include "SavePanel.h"

#include <QString>

#include <functional>
#include <optional>

class QWidget;

// Asks the user where to save a file. The application asks through the
// desktop's file dialog; tests put their own answer in its place.
class SavePanelPresenter
{
public:
    // The chosen file's path, or nothing when the user cancels. `parent` is
    // the window the dialog belongs to, if any.
    using Presenter = std::function<std::optional<QString>(QWidget *parent, const SavePanel &panel)>;
    using Completion = std::function<void(const std::optional<QString> &path)>;

    // Shows the panel and hands the answer to `completion`: at once from an
    // installed presenter, or from the event loop once the file dialog
    // closes. A dialog whose window closes first goes with it, unanswered.
    static void present(QWidget *parent, const SavePanel &panel, Completion completion);

    // Replaces how the panel is shown; an empty presenter restores the
    // file dialog. Returns the presenter installed before.
    static Presenter setPresenter(Presenter presenter);

    // The desktop's file dialog, opened in the pictures folder, as a sheet
    // on its window without a loop of its own.
    static void presentFileDialog(QWidget *parent, const SavePanel &panel, Completion completion);
    // The path with the panel's first file type added when it ends in none of them.
    static QString withAllowedSuffix(const QString &path, const SavePanel &panel);
};
