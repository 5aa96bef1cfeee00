#pragma once

#include <QList>
#include <QWidget>

namespace tervolen {

class RollOut;

// Page 0, "&Schedule": database and backup folder, weekdays and hours, mirrors, the "Bas&ic Options"
// roll-out and the Ok button. While the roll-out is expanded it takes the place of the other groups.
class SchedulePage : public QWidget {
    Q_OBJECT

public:
    explicit SchedulePage(QWidget* parent = nullptr);

    RollOut* rollOut() const { return rollOut_; }
    QList<QWidget*> dragSurfaces() const { return dragSurfaces_; }
    // Expands or collapses the roll-out so that the control can be seen.
    void reveal(QWidget& control);

private:
    QWidget* buildMain();

    QWidget* main_;
    RollOut* rollOut_;
    QList<QWidget*> dragSurfaces_;
};

} // namespace tervolen
