#pragma once

#include "core/monitor_log.h"

#include <QColor>
#include <QWidget>

namespace tervolen {

// The Monitor's lamp (LED): shows the lamp state of a MonitorLog, green-yellow when lit, red when not.
class LedWidget : public QWidget, private MonitorListener {
    Q_OBJECT

public:
    static inline const QColor kLitColor{128, 255, 0};
    static inline const QColor kUnlitColor{255, 0, 0};

    explicit LedWidget(MonitorLog& log, QWidget* parent = nullptr);

    QColor color() const { return log_.led() ? kLitColor : kUnlitColor; }
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ledChanged(bool lit) override;

    MonitorLog& log_;
    MonitorLog::Subscription subscription_;
};

} // namespace tervolen
