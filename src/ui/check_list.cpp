#include "ui/check_list.h"

#include <QResizeEvent>

namespace tervolen {

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
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
}

void CheckList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    updateGrid();
}

void CheckList::updateGrid() {
    if (columns_ <= 1 || count() == 0)
        return;
    int rowHeight = sizeHintForRow(0);
    QSize grid(viewport()->width() / columns_, rowHeight);
    if (grid != gridSize())
        setGridSize(grid);
}

} // namespace tervolen
