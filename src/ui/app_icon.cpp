#include "ui/app_icon.h"

#include <QPainter>
#include <QPixmap>

namespace tervolen {

namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

QString iconFile(int size) {
    return QString(":/icons/tervolen-%1.png").arg(size);
}

QPixmap withRedBadge(const QString& file) {
    QPixmap pixmap(file);
    if (pixmap.isNull())
        return pixmap;
    const int size = qMin(pixmap.width(), pixmap.height());
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Over half the icon, so that the red still shows at 16 pixels among other icons.
    const qreal diameter = size * 0.55;
    const qreal outline = qMax<qreal>(1, size / 16.0);
    const QRectF badge(size - diameter, size - diameter, diameter, diameter);
    painter.setPen(QPen(Qt::white, outline));
    painter.setBrush(QColor(0xd0, 0x10, 0x10));
    painter.drawEllipse(badge.adjusted(outline / 2, outline / 2, -outline / 2, -outline / 2));
    return pixmap;
}

} // namespace

QIcon appIcon() {
    QIcon icon;
    for (int size : kSizes)
        icon.addFile(iconFile(size), QSize(size, size));
    return icon;
}

QIcon failedAppIcon() {
    QIcon icon;
    for (int size : kSizes)
        icon.addPixmap(withRedBadge(iconFile(size)));
    return icon;
}

} // namespace tervolen
