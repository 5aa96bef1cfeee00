#pragma once

#include <QListWidget>

namespace tervolen {

// A list of items with check boxes. With more than one column the items run down one column and on into the
// next, an equal share in each (12 and 12 of 24), whatever the height: the list is at least that many rows high,
// and more height spreads the rows.
class CheckList : public QListWidget {
    Q_OBJECT

public:
    CheckList(const QStringList& items, int columns, QWidget* parent = nullptr);

    int columns() const { return columns_; }
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateGrid();
    int rowsPerColumn() const;

    int columns_;
};

} // namespace tervolen
