#include "ui/monitor_page.h"

#include "core/control_names.h"
#include "ui/control_factory.h"
#include "ui/led_widget.h"
#include "ui/monitor_view.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tervolen {

MonitorPage::MonitorPage(MonitorLog& log, QWidget* parent) : QWidget(parent) {
    applyDesign(*this, controlDesign(controls::TabMonitor));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);

    auto* top = new QHBoxLayout;
    QToolButton* save = makeToolButton(controls::BtSaveBkpLog, QStyle::SP_DialogSaveButton, this);
    save->setToolButtonStyle(Qt::ToolButtonIconOnly);
    top->addWidget(save);
    top->addStretch(1);
    auto* led = new LedWidget(log, this);
    applyDesign(*led, controlDesign(controls::LED));
    top->addWidget(led);
    layout->addLayout(top);

    auto* view = new MonitorView(log, this);
    applyDesign(*view, controlDesign(controls::reStatus));
    layout->addWidget(view, 1);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(controls::CompressionProgress);
    progress_->setRange(0, 100);
    progress_->setVisible(false);
    layout->addWidget(progress_);
}

void MonitorPage::showCompressionProgress(std::uint64_t done, std::uint64_t total) {
    std::string text = rate_.update(done, total);
    progress_->setValue(rate_.percent());
    progress_->setFormat(QString::fromStdString(text));
    progress_->setVisible(!rate_.finished());
}

} // namespace tervolen
