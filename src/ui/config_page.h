#pragma once

#include <QList>
#include <QWidget>

namespace tervolen {

// Page 3, "&Config": backup options, compression options and the OK button.
class ConfigPage : public QWidget {
    Q_OBJECT

public:
    explicit ConfigPage(QWidget* parent = nullptr);

    QList<QWidget*> dragSurfaces() const { return dragSurfaces_; }

private:
    QList<QWidget*> dragSurfaces_;
};

} // namespace tervolen
