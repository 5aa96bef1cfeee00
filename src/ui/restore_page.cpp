#include "ui/restore_page.h"

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
    ApplyDesign(*this, Design("TabRestore"));
    QVBoxLayout* layout = PageColumn(this);
    AddFieldWithLabelAbove(layout, MakeFileEdit("EditGBK", kBackupFileFilter, this), this);
    AddFieldWithLabelAbove(layout, MakeFileEdit("EditRestore", nullptr, this), this);

    QGroupBox* options = MakeGroup("GroupRestoreOptions", this);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(4, 4, 4, 4);
    CheckList* list = MakeCheckList("clListaRestore", options);
    optionsLayout->addWidget(list);
    layout->addWidget(options, 1);

    auto* pageSize = new QHBoxLayout;
    QLineEdit* size = MakeEdit("LabeledEdPageSize", this);
    size->setMaximumWidth(100);
    pageSize->addWidget(MakeFieldLabel("LabeledEdPageSize", size, this));
    pageSize->addWidget(size);
    pageSize->addStretch(1);
    QPushButton* start = MakeButton("InitRestore", this);
    start->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    pageSize->addWidget(start);
    layout->addLayout(pageSize);

    dragSurfaces_ << this << options << list;
}

} // namespace tervolen
