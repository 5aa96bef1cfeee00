#include "ui/command_strip.h"

#include "core/control_names.h"
#include "ui/control_factory.h"
#include "ui/link_label.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace tervolen {

namespace {

constexpr const char* kStyle = R"(
QTabWidget::pane { border: none; border-top: 1px solid palette(mid); background: palette(window); }
QTabBar::tab { border: 1px solid palette(mid); border-bottom: none; background: palette(button); padding: 1px 8px;
               margin-right: 2px; }
QTabBar::tab:selected { background: palette(window); }
QTabBar::tab:hover { background: palette(midlight); }
)";

void addRow(QBoxLayout* layout, QWidget* tab, std::initializer_list<const char*> names) {
    for (const char* name : names)
        layout->addWidget(makeLinkLabel(name, tab));
    layout->addStretch(1);
}

} // namespace

CommandStrip::CommandStrip(QWidget* parent) : QFrame(parent), pages_(new QTabWidget(this)) {
    setObjectName(controls::Panel1);
    // At least the design height, and as high as the Help tab's two rows need in a larger font.
    setMinimumHeight(kHeight);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 0);
    pages_->setObjectName(controls::JvgPageControl2);
    pages_->setDocumentMode(true);
    pages_->setStyleSheet(kStyle);
    pages_->tabBar()->setDrawBase(false);
    pages_->tabBar()->setExpanding(false);
    layout->addWidget(pages_);

    auto* actions = new QHBoxLayout(addTab(controls::TabActions));
    addRow(actions, actions->parentWidget(), {controls::LbStartBackup, controls::LbClose});

    auto* language = new QHBoxLayout(addTab(controls::TabLanguage));
    addRow(language, language->parentWidget(),
           {controls::LbEng, controls::LbPort, controls::LbDeu, controls::LbSpanol, controls::LbRus});

    QWidget* help = addTab(controls::TabHelp);
    auto* rows = new QVBoxLayout(help);
    auto* first = new QHBoxLayout;
    auto* second = new QHBoxLayout;
    for (QBoxLayout* row : {first, second}) {
        row->setSpacing(6);
        rows->addLayout(row);
    }
    rows->setContentsMargins(2, 0, 2, 0);
    rows->setSpacing(0);
    addRow(first, help, {controls::LbHelpTopic, controls::LbAbout});
    addRow(second, help, {controls::LbGetInterBase, controls::LbGetInterBaseFree, controls::LbGetFirebird});
    for (QBoxLayout* row : {actions, language}) {
        row->setContentsMargins(2, 0, 2, 0);
        row->setSpacing(8);
    }
}

bool CommandStrip::event(QEvent* event) {
    const bool handled = QFrame::event(event);
    // A larger font in the Help tab's two rows changes what the strip needs; the window's layout learns it from
    // the new minimum.
    if (event->type() == QEvent::LayoutRequest && layout() != nullptr)
        setMinimumHeight(std::max(kHeight, layout()->sizeHint().height()));
    return handled;
}

QWidget* CommandStrip::addTab(const char* name) {
    const ControlDesign& design = controlDesign(name);
    auto* tab = new QWidget;
    applyDesign(*tab, design);
    pages_->addTab(tab, toQString(design.text));
    return tab;
}

QList<QWidget*> CommandStrip::dragSurfaces() const {
    return {pages_, pages_->tabBar(), pages_->widget(0), pages_->widget(1)};
}

} // namespace tervolen
