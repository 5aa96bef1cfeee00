#include "ui/window_size_keeper.h"

#include "core/window_size.h"

#include <QEvent>
#include <QWidget>

#include <exception>
#include <utility>

namespace tervolen {

WindowSizeKeeper::WindowSizeKeeper(QWidget& window, std::string settingsPath, int writeDelayMs)
    : window_(window), settingsPath_(std::move(settingsPath)), firstSize_(window.size()) {
    try {
        if (auto stored = readWindowSize(settingsPath_))
            window_.resize(QSize(stored->width, stored->height).expandedTo(window_.minimumSize()));
    } catch (const std::exception&) {
        // An unreadable settings file was reported by the start-up already; the window keeps its first size.
    }
    writeTimer_.setSingleShot(true);
    writeTimer_.setInterval(writeDelayMs);
    connect(&writeTimer_, &QTimer::timeout, this, &WindowSizeKeeper::writePending);
    window_.installEventFilter(this);
}

WindowSizeKeeper::~WindowSizeKeeper() {
    window_.removeEventFilter(this);
    writePending();
}

void WindowSizeKeeper::writePending() {
    if (!pending_)
        return;
    pending_ = false;
    writeTimer_.stop();
    const QSize size = window_.size();
    try {
        rememberWindowSize(settingsPath_, {size.width(), size.height()}, {firstSize_.width(), firstSize_.height()});
    } catch (const std::exception&) {
        // A settings file that cannot be written (read-only media) only costs the remembered size.
    }
}

bool WindowSizeKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Resize && !window_.isMinimized()) {
        pending_ = true;
        writeTimer_.start();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tervolen
