#include "event_wait.h"
#include "scripted_dialogs.h"
#include "core/monitor_log.h"
#include "ui/main_window.h"
#include "ui/tray_icon.h"

#include <QApplication>
#include <QLabel>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tervolen {
namespace {

// A program started for the tests, ended (SIGTERM) and reaped at the end.
class Program {
public:
    explicit Program(std::vector<std::string> arguments) {
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        if (::posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start " + arguments[0]);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    ~Program() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }

private:
    pid_t pid_ = 0;
};

// Xvfb on a display it picks itself (-displayfd), with trayer as the notification area, and the tests'
// QApplication on it.
class XvfbWithTray : public ::testing::Environment {
public:
    void SetUp() override {
        int pipe[2];
        if (::pipe(pipe) != 0)
            throw std::runtime_error("pipe failed");
        xvfb_ = std::make_unique<Program>(std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(pipe[1]),
                                                                   "-screen", "0", "640x480x24", "-nolisten", "tcp"});
        ::close(pipe[1]);
        std::string display;
        char c = 0;
        while (::read(pipe[0], &c, 1) == 1 && c != '\n')
            display += c;
        ::close(pipe[0]);
        if (display.empty())
            throw std::runtime_error("Xvfb did not start");
        ::setenv("DISPLAY", (":" + display).c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        tray_ = std::make_unique<Program>(std::vector<std::string>{"trayer"});
        static int argc = 1;
        static char name[] = "tervolen_tray_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override {
        app_.reset();
        tray_.reset();
        xvfb_.reset();
    }

private:
    std::unique_ptr<Program> xvfb_;
    std::unique_ptr<Program> tray_;
    std::unique_ptr<QApplication> app_;
};

const auto* const kXvfb = ::testing::AddGlobalTestEnvironment(new XvfbWithTray);

TEST(TrayUnderXvfb, TheIconIsShownInARealNotificationAreaAndMinimisingHidesTheWindow) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    // trayer takes the notification area's selection some time after it starts.
    ASSERT_TRUE(test::waitFor(&QSystemTrayIcon::isSystemTrayAvailable, 20000));
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs};
    EXPECT_TRUE(window.trayIcon().isVisible());
    EXPECT_TRUE(test::waitFor([&] { return !window.trayIcon().geometry().isEmpty(); }, 20000))
        << "the icon was not embedded in the notification area";
    window.show();
    QCoreApplication::processEvents();
    window.formState().minimize();
    QCoreApplication::processEvents();
    EXPECT_TRUE(window.isMinimizedToTray());
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.trayIcon().isVisible());
}

// Without a notification service on the session bus, Qt shows the message as its own balloon at the icon.
TEST(TrayUnderXvfb, AFailedRunTurnsTheEmbeddedIconRedAndPopsItsLineAtTheIcon) {
    ASSERT_TRUE(test::waitFor(&QSystemTrayIcon::isSystemTrayAvailable, 20000));
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs};
    TrayIcon& tray = window.trayIcon();
    ASSERT_TRUE(test::waitFor([&] { return !tray.geometry().isEmpty(); }, 20000));
    tray.showRunStatus({true, "No good backup yet\nLast run failed: Error Code 00026"});
    EXPECT_TRUE(tray.showsFailure());
    EXPECT_EQ(tray.toolTip(), "No good backup yet\nLast run failed: Error Code 00026");
    tray.notify({"Tervolen: the backup failed", "Error Code 00026"});
    auto balloon = [] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->inherits("QBalloonTip") && widget->isVisible())
                return widget;
        return static_cast<QWidget*>(nullptr);
    };
    ASSERT_TRUE(test::waitFor([&] { return balloon() != nullptr; }, 20000)) << "no notification was shown";
    QStringList texts;
    for (QLabel* label : balloon()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains("Error Code 00026")) << texts.join('|').toStdString();
}

} // namespace
} // namespace tervolen
