#pragma once

#include "core/progress_rate.h"

#include <QWidget>

#include <cstdint>

class QProgressBar;

namespace tervolen {

class MonitorLog;

// Page 4, "&Monitor": the save-log button, the lamp and the output of the jobs.
class MonitorPage : public QWidget {
    Q_OBJECT

public:
    MonitorPage(MonitorLog& log, QWidget* parent = nullptr);

    // Shows how far the compression of a backup has come under the log; hidden once it is done.
    void showCompressionProgress(std::uint64_t done, std::uint64_t total);

private:
    QProgressBar* progress_;
    ProgressRate rate_;
};

} // namespace tervolen
