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

    static std::optional<QString> present(QWidget *parent, const SavePanel &panel);

    // Replaces how the panel is shown; an empty presenter restores the
    // file dialog. Returns the presenter installed before.
    static Presenter setPresenter(Presenter presenter);

    // The desktop's file dialog, opened in the pictures folder.
    static std::optional<QString> presentFileDialog(QWidget *parent, const SavePanel &panel);
    // The path with the panel's first file type added when it ends in none of them.
    static QString withAllowedSuffix(const QString &path, const SavePanel &panel);
};
