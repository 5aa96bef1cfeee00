#pragma once

#include <QListWidget>

namespace tervolen {

// A list of items with check boxes. With more than one column the viewport shows that many columns; the
// items run down one column and on into the next, and further columns are reached by scrolling sideways.
class CheckList : public QListWidget {
    Q_OBJECT

public:
    CheckList(const QStringList& items, int columns, QWidget* parent = nullptr);

    int columns() const { return columns_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateGrid();

    int columns_;
};

} // namespace tervolen
