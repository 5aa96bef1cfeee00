#include "ui/restore_page.h"

#include "core/control_names.h"
#include "ui/check_list.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"
#include "ui/page_layout.h"

#include <QGroupBox>
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
    QLineEdit* size = makeEdit(controls::LabeledEdPageSize, this);
    size->setMaximumWidth(100);
    pageSize->addWidget(makeFieldLabel(controls::LabeledEdPageSize, size, this));
    pageSize->addWidget(size);
    pageSize->addStretch(1);
    QPushButton* start = makeButton(controls::InitRestore, this);
    start->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    pageSize->addWidget(start);
    layout->addLayout(pageSize);

    dragSurfaces_ << this << options << list;
}

} // namespace tervolen
