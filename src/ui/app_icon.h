#pragma once

#include <QIcon>

namespace tervolen {

// The program's own icon (a database with an arrow), in every size the window and the tray may ask for.
QIcon appIcon();

} // namespace tervolen
