#include "ui/tray_icon.h"

#include "core/control_names.h"
#include "ui/app_icon.h"
#include "ui/control_factory.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

#include <utility>

namespace tervolen {

namespace {

QAction* addEntry(QMenu& menu, const char* name) {
    const ControlDesign& design = controlDesign(name);
    QAction* action = menu.addAction(toQString(design.text));
    action->setObjectName(toQString(design.name));
    action->setEnabled(design.enabled);
    action->setVisible(design.visible);
    return action;
}

} // namespace

TrayIcon::TrayIcon(QWidget& window, Availability available)
    : QSystemTrayIcon(&window), available_(std::move(available)), menu_(new QMenu(&window)) {
    setObjectName(controls::TrayIcon);
    setToolTip(kHint);
    setIcon(appIcon());
    menu_->setObjectName(controls::PopupMenu);
    launch_ = addEntry(*menu_, controls::AppLaunch);
    menu_->addSeparator();
    addEntry(*menu_, controls::StartBackup1);
    menu_->addSeparator();
    addEntry(*menu_, controls::MenuItem1);
    menu_->addSeparator();
    addEntry(*menu_, controls::About1);
    setContextMenu(menu_);
    connect(this, &QSystemTrayIcon::activated, this, [this](ActivationReason reason) {
        if (reason == Trigger)
            emit clicked();
    });
    showIfAvailable();
}

void TrayIcon::showRunStatus(const TrayStatus& status) {
    if (status.failed != showsFailure_) {
        showsFailure_ = status.failed;
        setIcon(showsFailure_ ? failedAppIcon() : appIcon());
    }
    setToolTip(toQString(status.toolTip));
}

void TrayIcon::notify(const TrayNotice& notice) {
    const QString title = toQString(notice.title);
    const QString message = toQString(notice.message);
    showMessage(title, message, QSystemTrayIcon::Critical);
    emit notified(title, message);
}

bool TrayIcon::showIfAvailable() {
    if (!isVisible() && available_())
        show();
    return isVisible();
}

} // namespace tervolen
