#pragma once

#include <QIcon>

// The program's own image assets, by their asset names.
namespace Resources {

// The tray image ("MenuBarIcon"): dark strokes on a light rim, legible on
// light and dark panels alike.
QIcon menuBarIcon();

} // namespace Resources
