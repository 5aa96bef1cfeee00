#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <functional>

namespace tervolen::test {

// Lets the event loop run until the condition holds or limitMs milliseconds have gone.
inline bool waitFor(const std::function<bool()>& condition, int limitMs = 2000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return true;
}

} // namespace tervolen::test
