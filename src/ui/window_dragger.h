#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

namespace tervolen {

// Lets the user drag the borderless window by the surfaces it watches: moving the mouse with the left
// button held hands the move to the window system, or moves the window by hand where the system has no
// move command (no window manager, offscreen).
class WindowDragger : public QObject {
    Q_OBJECT

public:
    explicit WindowDragger(QWidget& window);

    // Watches a surface; for a scroll area (a check list) its viewport, where the mouse events arrive.
    void addSurface(QWidget* surface);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    bool pressed_ = false;
    bool movingByHand_ = false;
    QPoint pressGlobal_;
    QPoint pressWindowPos_;
};

} // namespace tervolen
