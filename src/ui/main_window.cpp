#include "ui/main_window.h"
#include "core/control_names.h"
#include "ui/monitor_page.h"

#include "ui/app_icon.h"
#include "ui/command_strip.h"
#include "ui/config_page.h"
#include "ui/control_factory.h"
#include "ui/header_panel.h"
#include "ui/monitor_page.h"
#include "ui/restore_page.h"
#include "ui/schedule_page.h"
#include "ui/tray_icon.h"
#include "ui/validation_page.h"
#include "ui/window_dragger.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QSizeGrip>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace tervolen {

namespace {

constexpr const char* kPageStyle = R"(
QTabWidget#PageControl::pane { border: 1px solid palette(mid); background: palette(window); }
QTabWidget#PageControl > QTabBar::tab { padding: 2px 4px; }
)";

} // namespace

MainWindow::MainWindow(MonitorLog& monitor, Dialogs& dialogs, TrayIcon::Availability trayAvailable)
    : QWidget(nullptr, Qt::FramelessWindowHint) {
    setObjectName(controls::FrmPrincipal);
    setWindowTitle(kAppTitle);
    setWindowIcon(appIcon());
    setAutoFillBackground(true);

    auto* dragger = new WindowDragger(*this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* header = new HeaderPanel(this);
    layout->addWidget(header);
    dragger->addSurface(header);

    auto* strip = new CommandStrip(this);
    layout->addWidget(strip);
    for (QWidget* surface : strip->dragSurfaces())
        dragger->addSurface(surface);

    auto* main = new QWidget(this);
    main->setObjectName(controls::Panel2);
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(2, 2, 2, 2);
    mainLayout->setSpacing(2);
    pageControl_ = new QTabWidget(main);
    pageControl_->setObjectName(controls::PageControl);
    pageControl_->setStyleSheet(kPageStyle);
    pageControl_->tabBar()->setExpanding(false);
    pageControl_->setUsesScrollButtons(false);
    mainLayout->addWidget(pageControl_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(makeLabel(controls::LbInfo, main), 1);
    // Without a frame from the window manager, the grip is where the window is resized.
    bottom->addWidget(new QSizeGrip(main), 0, Qt::AlignBottom | Qt::AlignRight);
    mainLayout->addLayout(bottom);
    main->findChild<QLabel*>(controls::LbInfo)->setWordWrap(true);
    layout->addWidget(main, 1);
    dragger->addSurface(main);
    dragger->addSurface(pageControl_);
    dragger->addSurface(pageControl_->tabBar());

    buildPages(monitor, *dragger);
    tray_ = new TrayIcon(*this, std::move(trayAvailable));
    connect(tray_, &TrayIcon::clicked, this, &MainWindow::toggleFromTray);
    formState_ = std::make_unique<QtFormState>(*this, dialogs);
    // Design values of LbInfo: red and bold.
    formState_->setLabelStyle(controls::LbInfo, kRed, true);
    setMinimumSize(minimumWindowSize());
    resize(minimumSize());
}

MainWindow::~MainWindow() = default;

QSize MainWindow::minimumWindowSize() const {
    QSize smallest =
        QSize(kClientWidth, kClientHeight).expandedTo(layout() != nullptr ? layout()->totalMinimumSize() : QSize());
    const QScreen* screen = this->screen();
    return screen != nullptr ? smallest.boundedTo(screen->availableSize()) : smallest;
}

void MainWindow::buildPages(MonitorLog& monitor, WindowDragger& dragger) {
    schedulePage_ = new SchedulePage;
    auto* restore = new RestorePage;
    auto* validation = new ValidationPage;
    auto* config = new ConfigPage;
    monitorPage_ = new MonitorPage(monitor);
    QList<QWidget*> surfaces;
    surfaces << schedulePage_->dragSurfaces() << restore->dragSurfaces() << validation->dragSurfaces()
             << config->dragSurfaces();
    for (QWidget* page :
         {static_cast<QWidget*>(schedulePage_), static_cast<QWidget*>(restore), static_cast<QWidget*>(validation),
          static_cast<QWidget*>(config), static_cast<QWidget*>(monitorPage_)}) {
        pageControl_->addTab(page, toQString(controlDesign(page->objectName().toStdString()).text));
        surfaces << page;
    }
    for (QWidget* surface : surfaces)
        dragger.addSurface(surface);
}

void MainWindow::showAtStartup() {
    startupMinimizePending_ = true;
    show();
    QTimer::singleShot(0, this, [this] {
        if (startupMinimizePending_) {
            startupMinimizePending_ = false;
            minimizeApplication();
        }
    });
}

void MainWindow::minimizeApplication() {
    minimized_ = true;
    if (tray_->showIfAvailable())
        hide();
    else
        showMinimized();
}

void MainWindow::restoreApplication() {
    minimized_ = false;
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::toggleFromTray() {
    if (!minimized_ && isVisible())
        minimizeApplication();
    else
        restoreApplication();
}

void MainWindow::revealControl(QWidget& control) {
    schedulePage_->reveal(control);
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::LayoutRequest) {
        // Longer texts of another language or a larger desktop font widen what the pages need.
        bool handled = QWidget::event(event);
        setMinimumSize(minimumWindowSize());
        return handled;
    }
    if (event->type() == QEvent::WindowActivate && startupMinimizePending_) {
        startupMinimizePending_ = false;
        QTimer::singleShot(0, this, &MainWindow::minimizeApplication);
    }
    return QWidget::event(event);
}

void MainWindow::changeEvent(QEvent* event) {
    // The window system may minimise or restore the window too (a task bar, a keyboard shortcut).
    if (event->type() == QEvent::WindowStateChange) {
        if (isMinimized() && !minimized_)
            QTimer::singleShot(0, this, &MainWindow::minimizeApplication);
        else if (!isMinimized() && minimized_ && isVisible())
            minimized_ = false;
    }
    QWidget::changeEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace tervolen
