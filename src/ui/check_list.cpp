#include "ui/check_list.h"

#include <QResizeEvent>

#include <algorithm>

namespace tervolen {

namespace {

// The list view starts a new column once an item reaches the viewport's last pixel row.
constexpr int kLayoutSlack = 1;

} // namespace

CheckList::CheckList(const QStringList& items, int columns, QWidget* parent) : QListWidget(parent), columns_(columns) {
    for (const QString& text : items) {
        auto* item = new QListWidgetItem(text, this);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    if (columns_ > 1) {
        setFlow(QListView::TopToBottom);
        setWrapping(true);
        setResizeMode(QListView::Adjust);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
}

void CheckList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    updateGrid();
}

int CheckList::rowsPerColumn() const {
    return (count() + columns_ - 1) / columns_;
}

QSize CheckList::minimumSizeHint() const {
    QSize hint = QListWidget::minimumSizeHint();
    if (columns_ > 1 && count() > 0)
        hint.setHeight(rowsPerColumn() * sizeHintForRow(0) + 2 * frameWidth() + kLayoutSlack);
    return hint;
}

void CheckList::updateGrid() {
    if (columns_ <= 1 || count() == 0)
        return;
    QSize grid(viewport()->width() / columns_,
               std::max(sizeHintForRow(0), (viewport()->height() - kLayoutSlack) / rowsPerColumn()));
    if (grid != gridSize())
        setGridSize(grid);
}

} // namespace tervolen
