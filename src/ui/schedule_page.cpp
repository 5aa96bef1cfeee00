#include "ui/schedule_page.h"

#include "core/control_names.h"
#include "ui/basic_options.h"
#include "ui/check_list.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"
#include "ui/roll_out.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tervolen {

namespace {

constexpr int kListPadding = 6;
constexpr int kMirrorGroupHeight = 72;

} // namespace

SchedulePage::SchedulePage(QWidget* parent) : QWidget(parent) {
    applyDesign(*this, controlDesign(controls::TabSchedule));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    main_ = buildMain();
    layout->addWidget(main_, 1);

    auto* options = new BasicOptions;
    rollOut_ = new RollOut(toQString(controlDesign(controls::RollOut).text), options, this);
    applyDesign(*rollOut_, controlDesign(controls::RollOut));
    rollOut_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(rollOut_, &RollOut::expandedChanged, main_, &QWidget::setHidden);

    layout->addWidget(rollOut_);
    QPushButton* ok = makeButton(controls::TranspButOkSchedule, this);
    ok->setIcon(style()->standardIcon(QStyle::SP_DialogApplyButton));
    rollOut_->addHeaderWidget(ok);
    dragSurfaces_ << this << main_ << options->mailGroup();
}

QWidget* SchedulePage::buildMain() {
    auto* main = new QWidget(this);
    auto* layout = new QVBoxLayout(main);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    auto* folders = new QFormLayout;
    folders->setHorizontalSpacing(4);
    folders->setVerticalSpacing(3);
    folders->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (auto [name, filter] : {std::pair{controls::eBase, kDatabaseFileFilter}, std::pair{controls::eDirBackup, ""}}) {
        FileEdit* edit = makeFileEdit(name, filter, main);
        folders->addRow(makeFieldLabel(name, edit, main), edit);
    }
    layout->addLayout(folders);

    QGroupBox* schedules = makeGroup(controls::GroupSchedules, main);
    auto* lists = new QHBoxLayout(schedules);
    lists->setContentsMargins(4, 4, 4, 4);
    CheckList* weekdays = makeCheckList(controls::clbSemana, schedules);
    // The list is as wide as its longest weekday, also after a language file renamed the days.
    auto fitWeekdays = [weekdays] {
        weekdays->setFixedWidth(weekdays->sizeHintForColumn(0) + 2 * weekdays->frameWidth() + kListPadding);
    };
    fitWeekdays();
    connect(weekdays->model(), &QAbstractItemModel::dataChanged, weekdays, fitWeekdays);
    lists->addWidget(weekdays);
    lists->addWidget(makeCheckList(controls::clbHorarios, schedules, 2), 1);
    layout->addWidget(schedules, 2);

    QGroupBox* mirrors = makeGroup(controls::GroupMirrors, main);
    auto* mirrorLayout = new QHBoxLayout(mirrors);
    mirrorLayout->setContentsMargins(4, 4, 4, 4);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(2);
    for (auto [name, icon] : {std::pair{controls::JvTransparentButton3, QStyle::SP_FileDialogNewFolder},
                              std::pair{controls::JvTransparentButton4, QStyle::SP_TrashIcon}}) {
        QToolButton* button = makeToolButton(name, icon, mirrors);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    mirrorLayout->addLayout(buttons);
    mirrorLayout->addWidget(makeListView(controls::MirrorListView, mirrors), 1);
    mirrors->setMinimumHeight(kMirrorGroupHeight);
    layout->addWidget(mirrors, 1);

    dragSurfaces_ << schedules << mirrors;
    return main;
}

void SchedulePage::reveal(QWidget& control) {
    if (rollOut_->scrollArea()->isAncestorOf(&control)) {
        rollOut_->setExpanded(true);
        // The scroll box learns its size only when the layout runs.
        QTimer::singleShot(0, rollOut_, [roll = rollOut_, target = QPointer<QWidget>(&control)] {
            if (target)
                roll->ensureVisible(target);
        });
    } else if (main_->isAncestorOf(&control)) {
        rollOut_->setExpanded(false);
    }
}

} // namespace tervolen
