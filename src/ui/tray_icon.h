#pragma once

#include "core/tray_status.h"

#include <QSystemTrayIcon>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace tervolen {

// The notification-area icon (TrayIcon) with its context menu PopupMenu: "&Launch Tervolen", "Start
// &Backup", "Cl&ose" and "Ab&out...", separated by lines. A left click on the icon emits clicked().
class TrayIcon : public QSystemTrayIcon {
    Q_OBJECT

public:
    static constexpr const char* kHint = "Database Backup System";

    // Whether a notification area exists now; the desktop is asked unless tests say.
    using Availability = std::function<bool()>;

    // The menu is owned by the window, so that its entries are found among the window's controls.
    explicit TrayIcon(QWidget& window, Availability available = &QSystemTrayIcon::isSystemTrayAvailable);

    QMenu* popupMenu() const { return menu_; }
    QAction* launchAction() const { return launch_; }
    // Shows the icon when the notification area exists (it may appear after start); false when there is
    // none, so minimising must not hide the window behind it.
    bool showIfAvailable();

    // The last run's result: the red icon after a failed run, the program's one otherwise, and the hint.
    void showRunStatus(const TrayStatus& status);
    bool showsFailure() const { return showsFailure_; }
    // Pops the notification over the icon, where the desktop shows them.
    void notify(const TrayNotice& notice);

signals:
    void clicked();
    // A notification was handed to the desktop.
    void notified(const QString& title, const QString& message);

private:
    Availability available_;
    bool showsFailure_ = false;
    QMenu* menu_;
    QAction* launch_ = nullptr;
};

} // namespace tervolen
