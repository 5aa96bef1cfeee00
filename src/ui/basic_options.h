#pragma once

#include <QWidget>

namespace tervolen {

// The content of the "Bas&ic Options" roll-out: the connection, monitor, log, e-mail and FTP groups.
class BasicOptions : public QWidget {
    Q_OBJECT

public:
    explicit BasicOptions(QWidget* parent = nullptr);

    // The e-mail group, which drags the window.
    QWidget* mailGroup() const { return mailGroup_; }

private:
    QWidget* mailGroup_ = nullptr;
};

} // namespace tervolen
