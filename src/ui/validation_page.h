#pragma once

#include <QList>
#include <QWidget>

namespace tervolen {

// Page 2, "&Validation": database, validation options, buffer size and the start button.
class ValidationPage : public QWidget {
    Q_OBJECT

public:
    explicit ValidationPage(QWidget* parent = nullptr);

    QList<QWidget*> dragSurfaces() const { return dragSurfaces_; }

private:
    QList<QWidget*> dragSurfaces_;
};

} // namespace tervolen
