#pragma once

class QApplication;

namespace tervolen {

// Hints of the application appear 400 milliseconds after the mouse comes to rest on a control.
void setupBalloonHints(QApplication& application);

} // namespace tervolen
