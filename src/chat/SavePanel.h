#pragma once

#include <QString>
#include <QStringList>

// What a save panel asks: its title, the file name it proposes and the file
// types it accepts (suffixes without the dot; a chosen name without one of
// them gets the first).
struct SavePanel
{
    QString title;
    QString proposedFileName;
    QStringList allowedFileTypes;
    bool canCreateDirectories = true;
};
