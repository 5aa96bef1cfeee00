#include "ui/roll_out.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

namespace tervolen {

RollOut::RollOut(const QString& title, QWidget* content, QWidget* parent)
    : QWidget(parent), header_(new QToolButton(this)), headerRow_(new QHBoxLayout), scroll_(new QScrollArea(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    header_->setText(title);
    header_->setCheckable(true);
    header_->setAutoRaise(true);
    header_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    header_->setArrowType(Qt::RightArrow);
    header_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont bold = header_->font();
    bold.setBold(true);
    header_->setFont(bold);
    headerRow_->addWidget(header_, 1);
    layout->addLayout(headerRow_);

    scroll_->setWidget(content);
    scroll_->setWidgetResizable(true);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setFrameShape(QFrame::StyledPanel);
    scroll_->setHidden(true);
    layout->addWidget(scroll_, 1);

    connect(header_, &QToolButton::toggled, this, &RollOut::setExpanded);
}

QString RollOut::title() const {
    return header_->text();
}

void RollOut::setTitle(const QString& title) {
    header_->setText(title);
}

bool RollOut::expanded() const {
    return !scroll_->isHidden();
}

void RollOut::setExpanded(bool expanded) {
    if (expanded == this->expanded())
        return;
    scroll_->setHidden(!expanded);
    {
        QSignalBlocker block(header_);
        header_->setChecked(expanded);
    }
    header_->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    setSizePolicy(QSizePolicy::Preferred, expanded ? QSizePolicy::Expanding : QSizePolicy::Fixed);
    emit expandedChanged(expanded);
}

void RollOut::addHeaderWidget(QWidget* widget) {
    widget->setParent(this);
    headerRow_->addWidget(widget);
}

void RollOut::ensureVisible(QWidget* child) {
    scroll_->ensureWidgetVisible(child);
}

} // namespace tervolen
