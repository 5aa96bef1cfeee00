#include "ui/validation_page.h"

#include "core/control_names.h"
#include "ui/check_list.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"
#include "ui/number_box.h"
#include "ui/page_layout.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tervolen {

ValidationPage::ValidationPage(QWidget* parent) : QWidget(parent) {
    applyDesign(*this, controlDesign(controls::TabValidation));
    QVBoxLayout* layout = pageColumn(this);
    addFieldWithLabelAbove(layout, makeFileEdit(controls::DBValidateEdit, kDatabaseFileFilter, this), this);

    QGroupBox* options = makeGroup(controls::GroupValidateOptions, this);
    auto* optionsLayout = new QVBoxLayout(options);
    optionsLayout->setContentsMargins(4, 4, 4, 4);
    CheckList* list = makeCheckList(controls::clListaValidation, options);
    optionsLayout->addWidget(list);
    layout->addWidget(options, 1);

    auto* bottom = new QHBoxLayout;
    NumberBox* buffer = makeNumberBox(controls::ValidateBufferEdit, this);
    buffer->setMaximumWidth(100);
    bottom->addWidget(makeFieldLabel(controls::ValidateBufferEdit, buffer, this));
    bottom->addWidget(buffer);
    bottom->addStretch(1);
    QPushButton* start = makeButton(controls::JvTranspValidation, this);
    start->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    bottom->addWidget(start);
    layout->addLayout(bottom);

    dragSurfaces_ << this << options << list;
}

} // namespace tervolen
