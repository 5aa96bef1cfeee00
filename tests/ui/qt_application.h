#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tervolen::test {

// One QApplication for all tests of an executable (offscreen platform, set by the test registration).
class QtApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "tervolen_ui_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

inline const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// Lets the event loop run until the condition holds or two seconds have gone.
inline bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > 2000)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

} // namespace tervolen::test
