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
    ApplyDesign(*this, Design(controls::TabRestore));
    QVBoxLayout* layout = PageColumn(this);
    AddFieldWithLabelAbove(layout, MakeFileEdit(controls::EditGBK, kBackupFileFilter, this), this);
    AddFieldWithLabelAbove(layout, MakeFileEdit(controls::EditRestore, nullptr, this), this);

    QGroupBox* options = MakeGroup(controls::GroupRestoreOptions, this);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(4, 4, 4, 4);
    CheckList* list = MakeCheckList(controls::clListaRestore, options);
    optionsLayout->addWidget(list);
    layout->addWidget(options, 1);

    auto* pageSize = new QHBoxLayout;
    QLineEdit* size = MakeEdit(controls::LabeledEdPageSize, this);
    size->setMaximumWidth(100);
    pageSize->addWidget(MakeFieldLabel(controls::LabeledEdPageSize, size, this));
    pageSize->addWidget(size);
    pageSize->addStretch(1);
    QPushButton* start = MakeButton(controls::InitRestore, this);
    start->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    pageSize->addWidget(start);
    layout->addLayout(pageSize);

    dragSurfaces_ << this << options << list;
}

} // namespace tervolen
