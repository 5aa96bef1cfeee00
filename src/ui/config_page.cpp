#include "ui/config_page.h"

#include "core/control_names.h"
#include "ui/check_list.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"
#include "ui/page_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tervolen {

namespace {

QGroupBox* makeVerifyGroup(QWidget* parent) {
    QGroupBox* group = makeGroup(controls::GroupVerify, parent);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    grid->addWidget(makeCheckBox(controls::ChkBoxVerifyRestore, group), 0, 0, 1, 2);
    FileEdit* folder = makeFileEdit(controls::EdVerifyFolder, "", group);
    grid->addWidget(makeFieldLabel(controls::EdVerifyFolder, folder, group), 1, 0);
    grid->addWidget(folder, 1, 1);
    return group;
}

QGroupBox* makeAlertsGroup(QWidget* parent) {
    QGroupBox* group = makeGroup(controls::GroupAlerts, parent);
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(3);
    grid->addWidget(makeCheckBox(controls::ChkBoxMailOnFailure, group), 0, 0, 1, 2);
    grid->addWidget(makeCheckBox(controls::ChkBoxMailOnSuccess, group), 1, 0, 1, 2);
    QLineEdit* command = makeEdit(controls::EdAlertCommand, group);
    grid->addWidget(makeFieldLabel(controls::EdAlertCommand, command, group), 2, 0);
    grid->addWidget(command, 2, 1);
    return group;
}

} // namespace

ConfigPage::ConfigPage(QWidget* parent) : QWidget(parent) {
    applyDesign(*this, controlDesign(controls::TabConfig));
    QVBoxLayout* page = pageColumn(this);
    // The groups scroll when the window is smaller than they need; the OK button stays in sight below them.
    auto* scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* groups = new QWidget(scroll);
    auto* layout = new QVBoxLayout(groups);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    QGroupBox* backup = makeGroup(controls::GroupBackupConfig, groups);
    auto* backupLayout = new QVBoxLayout(backup);
    backupLayout->setContentsMargins(4, 4, 4, 4);
    CheckList* list = makeCheckList(controls::clListaBackup, backup);
    backupLayout->addWidget(list);
    layout->addWidget(backup, 1);

    QGroupBox* compression = makeGroup(controls::GroupCompression, groups);
    auto* compressionColumn = new QVBoxLayout(compression);
    compressionColumn->setContentsMargins(4, 4, 4, 4);
    compressionColumn->setSpacing(1);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(1);
    grid->addWidget(makeCheckBox(controls::ChkBoxCompress, compression), 0, 0, 1, 3);
    int column = 0;
    for (const char* name : {controls::CBCompMetho, controls::CBCompMethoLevel}) {
        QComboBox* combo = makeComboBox(name, compression);
        grid->addWidget(makeFieldLabel(name, combo, compression), 1, column);
        grid->addWidget(combo, 2, column++);
    }
    QSpinBox* threads = makeSpinBox(controls::SECompThreads, compression);
    grid->addWidget(makeFieldLabel(controls::SECompThreads, threads, compression), 1, column);
    grid->addWidget(threads, 2, column);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(2, 1);
    grid->addWidget(makeCheckBox(controls::ChkBoxEncrypt, compression), 3, 0, 1, 3);
    compressionColumn->addLayout(grid);
    auto* passwords = new QFormLayout;
    passwords->setVerticalSpacing(1);
    for (const char* name : {controls::EdArchivePswd, controls::EdArchivePswdAgain}) {
        QLineEdit* edit = makeEdit(name, compression);
        passwords->addRow(makeFieldLabel(name, edit, compression), edit);
    }
    compressionColumn->addLayout(passwords);
    layout->addWidget(compression);

    QGroupBox* retention = makeGroup(controls::GroupRetention, groups);
    auto* retentionGrid = new QGridLayout(retention);
    retentionGrid->setContentsMargins(4, 4, 4, 4);
    retentionGrid->setVerticalSpacing(3);
    int cell = 0;
    for (const char* name : {controls::SpinKeepLast, controls::SpinKeepDaily, controls::SpinKeepWeekly,
                             controls::SpinKeepMonthly, controls::SpinKeepYearly}) {
        QSpinBox* spin = makeSpinBox(name, retention);
        retentionGrid->addWidget(makeFieldLabel(name, spin, retention), cell / 2, 2 * (cell % 2));
        retentionGrid->addWidget(spin, cell / 2, 2 * (cell % 2) + 1);
        ++cell;
    }
    retentionGrid->addWidget(makeButton(controls::BtnRetentionPreview, retention), 2, 2, 1, 2);
    layout->addWidget(retention);

    QGroupBox* verify = makeVerifyGroup(groups);
    layout->addWidget(verify);
    QGroupBox* alerts = makeAlertsGroup(groups);
    layout->addWidget(alerts);
    layout->addWidget(makeCheckBox(controls::ChkBoxAutostart, groups));
    scroll->setWidget(groups);
    page->addWidget(scroll, 1);

    QPushButton* ok = makeButton(controls::TranspButOKConfig, this);
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    addCommandButton(page, ok);

    dragSurfaces_ << this << groups << backup << compression << retention << list << verify << alerts;
}

} // namespace tervolen
