#pragma once

#include <QList>
#include <QWidget>

namespace tervolen {

// Page 1, "Res&tore": backup file, target database, restore options, page size and the start button.
class RestorePage : public QWidget {
    Q_OBJECT

public:
    explicit RestorePage(QWidget* parent = nullptr);

    QList<QWidget*> dragSurfaces() const { return dragSurfaces_; }

private:
    QList<QWidget*> dragSurfaces_;
};

} // namespace tervolen
