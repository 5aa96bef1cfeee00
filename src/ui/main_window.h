#pragma once

#include "core/dialogs.h"
#include "ui/qt_form_state.h"
#include "ui/tray_icon.h"

#include <QWidget>

#include <memory>

class QTabWidget;

namespace tervolen {

class MonitorLog;
class MonitorPage;
class SchedulePage;
class WindowDragger;

// The main window FrmPrincipal: a borderless window in the desktop's font and colours with the header, the
// command strip, the five pages with the info label and a size grip below them, and the notification-area
// icon. It is at least 356 x 512 pixels (see minimumWindowSize), and grows what holds
// content when resized. The logic reaches its controls through formState(); the Monitor page shows the given log.
class MainWindow : public QWidget, public FormWindow {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 356;
    static constexpr int kClientHeight = 512;

    // trayAvailable tells whether a notification area exists; by default the desktop is asked.
    MainWindow(MonitorLog& monitor, Dialogs& dialogs,
                  TrayIcon::Availability trayAvailable = &QSystemTrayIcon::isSystemTrayAvailable);
    ~MainWindow() override;

    // The smallest size: the design size or what the pages need in the current language where that is more,
    // bounded by the screen's free area.
    QSize minimumWindowSize() const;

    FormState& formState() { return *formState_; }
    TrayIcon& trayIcon() { return *tray_; }
    QTabWidget& pageControl() { return *pageControl_; }
    MonitorPage& monitorPage() { return *monitorPage_; }

    // Shows the window at start-up; the first activation that follows minimises it again. Where no
    // activation comes (no window manager), the next turn of the event loop does it.
    void showAtStartup();
    bool startupMinimizePending() const { return startupMinimizePending_; }
    // Minimised: hidden behind the notification-area icon, or minimised where there is none.
    bool isMinimizedToTray() const { return minimized_; }
    // The tray icon's left click: shows and raises the window, or hides it when it is shown.
    void toggleFromTray();

    QWidget& formRoot() override { return *this; }
    void minimizeApplication() override;
    void restoreApplication() override;
    void closeWindow() override { close(); }
    void revealControl(QWidget& control) override;

signals:
    // The window was closed: the program ends.
    void closed();

protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildPages(MonitorLog& monitor, WindowDragger& dragger);
    MonitorPage* monitorPage_ = nullptr;

    SchedulePage* schedulePage_ = nullptr;
    QTabWidget* pageControl_ = nullptr;
    TrayIcon* tray_ = nullptr;
    std::unique_ptr<QtFormState> formState_;
    bool startupMinimizePending_ = false;
    bool minimized_ = false;
};

} // namespace tervolen
