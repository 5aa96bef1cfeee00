#include "ui/app_icon.h"

namespace tervolen {

QIcon appIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/tervolen-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace tervolen
