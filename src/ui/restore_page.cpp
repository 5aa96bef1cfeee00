#include "ui/restore_page.h"

#include "core/control_names.h"
#include "ui/check_list.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"
#include "ui/page_layout.h"

#include <QGroupBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tervolen {

RestorePage::RestorePage(QWidget* parent) : QWidget(parent) {
    applyDesign(*this, controlDesign(controls::TabRestore));
    QVBoxLayout* layout = pageColumn(this);
    addFieldWithLabelAbove(layout, makeFileEdit(controls::EditGBK, kBackupFileFilter, this), this);
    addFieldWithLabelAbove(layout, makeFileEdit(controls::EditRestore, nullptr, this), this);

    QGroupBox* options = makeGroup(controls::GroupRestoreOptions, this);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(4, 4, 4, 4);
    CheckList* list = makeCheckList(controls::clListaRestore, options);
    optionsLayout->addWidget(list);
    layout->addWidget(options, 1);

    auto* pageSize = new QHBoxLayout;
    QComboBox* size = makeComboBox(controls::LabeledEdPageSize, this);
    size->setMaximumWidth(100);
    pageSize->addWidget(makeFieldLabel(controls::LabeledEdPageSize, size, this));
    pageSize->addWidget(size);
    pageSize->addStretch(1);
    layout->addLayout(pageSize);
    // The page-size combo takes more room than a text field did, so the start button has a row of its own.
    auto* startRow = new QHBoxLayout;
    startRow->addStretch(1);
    QPushButton* start = makeButton(controls::InitRestore, this);
    start->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    startRow->addWidget(start);
    layout->addLayout(startRow);

    dragSurfaces_ << this << options << list;
}

} // namespace tervolen
