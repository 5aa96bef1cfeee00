#include "ui/config_page.h"

#include "core/control_names.h"
#include "ui/check_list.h"
#include "ui/control_factory.h"
#include "ui/page_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tervolen {

ConfigPage::ConfigPage(QWidget* parent) : QWidget(parent) {
    applyDesign(*this, controlDesign(controls::TabConfig));
    QVBoxLayout* layout = pageColumn(this);

    QGroupBox* backup = makeGroup(controls::GroupBackupConfig, this);
    auto* backupLayout = new QVBoxLayout(backup);
    backupLayout->setContentsMargins(4, 4, 4, 4);
    CheckList* list = makeCheckList(controls::clListaBackup, backup);
    backupLayout->addWidget(list);
    layout->addWidget(backup, 1);

    QGroupBox* compression = makeGroup(controls::GroupCompression, this);
    auto* grid = new QGridLayout(compression);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    grid->addWidget(makeCheckBox(controls::ChkBoxCompress, compression), 0, 0, 1, 2);
    int column = 0;
    for (const char* name : {controls::CBCompMetho, controls::CBCompMethoLevel}) {
        QComboBox* combo = makeComboBox(name, compression);
        grid->addWidget(makeFieldLabel(name, combo, compression), 1, column);
        grid->addWidget(combo, 2, column++);
    }
    QSpinBox* threads = makeSpinBox(controls::SECompThreads, compression);
    grid->addWidget(makeFieldLabel(controls::SECompThreads, threads, compression), 3, 0);
    grid->addWidget(threads, 4, 0);
    grid->addWidget(makeCheckBox(controls::ChkBoxEncrypt, compression), 5, 0, 1, 2);
    column = 0;
    for (const char* name : {controls::EdArchivePswd, controls::EdArchivePswdAgain}) {
        QLineEdit* edit = makeEdit(name, compression);
        grid->addWidget(makeFieldLabel(name, edit, compression), 6, column);
        grid->addWidget(edit, 7, column++);
    }
    layout->addWidget(compression);

    QPushButton* ok = makeButton(controls::TranspButOKConfig, this);
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    addCommandButton(layout, ok);

    dragSurfaces_ << this << backup << compression << list;
}

} // namespace tervolen
