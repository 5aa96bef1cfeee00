#pragma once

#include <QIcon>

namespace tervolen {

// The program's own icon (a database with an arrow), in every size the window and the tray may ask for.
QIcon appIcon();

// The same icon with a red badge in its lower right corner: the last backup run failed.
QIcon failedAppIcon();

} // namespace tervolen
