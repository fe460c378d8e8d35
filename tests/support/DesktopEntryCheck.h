#pragma once

#include <QString>

namespace DesktopEntryCheck {

// Runs desktop-file-validate on the file: its complaints, or empty when the
// file is a valid desktop entry.
QString validationErrors(const QString &path);

// Whether desktop-file-validate (desktop-file-utils) can be run.
bool validatorInstalled();

} // namespace DesktopEntryCheck
