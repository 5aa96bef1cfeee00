#include "ui/led_widget.h"
#include "core/control_names.h"

#include <QPainter>

namespace tervolen {

LedWidget::LedWidget(MonitorLog& log, QWidget* parent) : QWidget(parent), log_(log) {
    setObjectName(controls::LED);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    subscription_ = log_.addListener(*this);
}

void LedWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = color();
    painter.setPen(QPen(fill.darker(160), 1));
    painter.setBrush(fill);
    int side = std::min(width(), height()) - 2;
    painter.drawEllipse(QRectF((width() - side) / 2.0, (height() - side) / 2.0, side, side));
}

void LedWidget::ledChanged(bool) {
    update();
}

} // namespace tervolen
