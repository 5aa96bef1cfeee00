#include "ui/window_dragger.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace tervolen {

WindowDragger::WindowDragger(QWidget& window) : QObject(&window), window_(window) {}

void WindowDragger::addSurface(QWidget* surface) {
    surface->installEventFilter(this);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(surface))
        area->viewport()->installEventFilter(this);
}

bool WindowDragger::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            pressed_ = true;
            movingByHand_ = false;
            pressGlobal_ = mouse->globalPosition().toPoint();
            pressWindowPos_ = window_.pos();
        }
        break;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (!pressed_ || !(mouse->buttons() & Qt::LeftButton))
            break;
        QPoint offset = mouse->globalPosition().toPoint() - pressGlobal_;
        // A click with a trembling hand must still tick a check-list item.
        if (!movingByHand_ && offset.manhattanLength() < QApplication::startDragDistance())
            return false;
        if (!movingByHand_) {
            QWindow* handle = window_.windowHandle();
            if (handle != nullptr && handle->startSystemMove()) {
                pressed_ = false;
                return true;
            }
            movingByHand_ = true;
        }
        window_.move(pressWindowPos_ + offset);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (movingByHand_) {
            pressed_ = movingByHand_ = false;
            return true;
        }
        pressed_ = false;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tervolen
