#pragma once

#include <QWidget>

namespace tervolen {

class MonitorLog;

// Page 4, "&Monitor": the save-log button, the lamp and the output of the jobs.
class MonitorPage : public QWidget {
    Q_OBJECT

public:
    MonitorPage(MonitorLog& log, QWidget* parent = nullptr);
};

} // namespace tervolen
