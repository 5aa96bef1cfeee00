#pragma once

#include <QObject>
#include <QSize>
#include <QTimer>

#include <string>

class QWidget;

namespace tervolen {

// Gives the window its size remembered in the settings file (never below its minimum) and remembers every
// size the window is given from then on, once the resizing has paused for writeDelayMs, and at the latest
// when the keeper ends.
class WindowSizeKeeper : public QObject {
    Q_OBJECT

public:
    static constexpr int kWriteDelayMs = 500;

    WindowSizeKeeper(QWidget& window, std::string settingsPath, int writeDelayMs = kWriteDelayMs);
    ~WindowSizeKeeper() override;

    // Writes a size that waits for the delay now.
    void writePending();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
    std::string settingsPath_;
    QSize firstSize_;
    QTimer writeTimer_;
    bool pending_ = false;
};

} // namespace tervolen
