#include "app/process_end.h"
#include "app/process_start.h"
#include "app/program.h"
#include "app/termination_signals.h"
#include "core/control_names.h"
#include "core/dialogs.h"
#include "core/folder_safety.h"
#include "core/instance_lock.h"
#include "core/monitor_log.h"
#include "core/paths.h"
#include "ui/about_box.h"
#include "ui/balloon_hints.h"
#include "ui/desktop_url.h"
#include "ui/language_loader.h"
#include "ui/main_window.h"
#include "ui/monitor_page.h"
#include "ui/qt_dialogs.h"
#include "ui/window_size_keeper.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>
#include <exception>
#include <optional>

namespace {

constexpr int kTimerIntervalMs = 1000;

int runWindow(int argc, char* argv[]) {
    using namespace tervolen;
    // Before QApplication starts threads of its own.
    TerminationSignals termination;
    QApplication application(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    // The window hides in the notification area, and a message box closed meanwhile must not end the program.
    QApplication::setQuitOnLastWindowClosed(false);
    setupBalloonHints(application);

    AppPaths paths = AppPaths::forExecutable(nameOf(changeFileExt(executablePath().string(), ".ini")));
    QtDialogs dialogs;
    std::optional<InstanceLock> lock;
    try {
        createSettingsFolder(paths);
        lock = InstanceLock::acquire(paths.settingsFile);
        if (!lock) {
            dialogs.message("Tervolen is already running.");
            return 0;
        }
    } catch (const std::exception&) {
        // A folder where no lock file can be made (read-only media) still lets the program run.
    }

    MonitorLog monitor;
    MainWindow window(monitor, dialogs);
    dialogs.setOwner(&window);
    QObject::connect(&window, &MainWindow::closed, &application, &QCoreApplication::quit, Qt::QueuedConnection);

    LanguageLoader languages(window, paths.languageDir, dialogs);
    auto translate = [&languages](const std::string& text) { return languages.translate(text); };
    for (const char* control : {controls::LbAbout, controls::About1})
        window.formState().onClick(control, [&window, translate] { lbAboutClick(window, translate); });

    SystemClock clock;
    Program::Options options;
    options.applyLanguageFile = [&languages](const std::string& fileName) { languages.apply(fileName); };
    options.openUrl = &openWithDesktop;
    options.translate = translate;
    options.compressionProgress = [&window](std::uint64_t done, std::uint64_t total) {
        window.monitorPage().showCompressionProgress(done, total);
    };
    Program program(
        window.formState(), dialogs, monitor, paths, clock, [] { QCoreApplication::processEvents(); },
        std::move(options));
    try {
        program.startup();
    } catch (const UntrustedFileError& e) {
        dialogs.errorReport(e.what());
        return 2;
    }
    program.warnAboutOpenFolders();
    WindowSizeKeeper sizeKeeper(window, paths.settingsFile);

    // A signal closes the window as its Close does; a running job ends first.
    QSocketNotifier signalNotifier(termination.fd(), QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, [&termination, &signalNotifier, &window] {
        if (termination.wait(0)) {
            signalNotifier.setEnabled(false);
            window.formState().close();
        }
    });

    QTimer timer;
    timer.setObjectName(controls::Timer);
    QObject::connect(&timer, &QTimer::timeout, [&program] { program.onScheduleTick(); });
    timer.start(kTimerIntervalMs);

    window.showAtStartup();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    try {
        tervolen::hardenProcess();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tervolen: error: %s\n", e.what());
        tervolen::endProcess(1);
    }
    tervolen::endProcess(runWindow(argc, argv));
}
