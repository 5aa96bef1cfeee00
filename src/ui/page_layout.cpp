#include "ui/page_layout.h"

#include "ui/control_factory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tervolen {

QVBoxLayout* pageColumn(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    return layout;
}

void addFieldWithLabelAbove(QBoxLayout* layout, QWidget* field, QWidget* page) {
    auto* column = new QVBoxLayout;
    column->setSpacing(1);
    column->addWidget(makeFieldLabel(field->objectName().toStdString(), field, page));
    column->addWidget(field);
    layout->addLayout(column);
}

void addCommandButton(QBoxLayout* layout, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    layout->addLayout(row);
}

} // namespace tervolen
