#include "ui/header_panel.h"

#include "core/control_names.h"
#include "ui/control_factory.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QToolButton>

namespace tervolen {

HeaderPanel::HeaderPanel(QWidget* parent)
    : QLabel(parent), hide_(makeToolButton(controls::btnHide, QStyle::SP_TitleBarMinButton, this)),
      close_(makeToolButton(controls::btnFechar, QStyle::SP_TitleBarCloseButton, this)) {
    applyDesign(*this, controlDesign(controls::GradientHeaderPanel));
    setText(toQString(controlDesign(controls::GradientHeaderPanel).text));
    setFixedHeight(kHeight);
    setIndent(6);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
    for (QToolButton* button : {hide_, close_}) {
        button->setFont(parent != nullptr ? parent->font() : QFont());
        button->setIconSize({14, 14});
        button->setFixedHeight(kHeight - 4);
    }

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 2, 2, 2);
    layout->setSpacing(0);
    layout->addStretch(1);
    layout->addWidget(hide_);
    layout->addWidget(close_);
}

void HeaderPanel::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        QLinearGradient gradient(rect().topLeft(), rect().topRight());
        gradient.setColorAt(0, kStartColor);
        gradient.setColorAt(1, kEndColor);
        painter.fillRect(rect(), gradient);
    }
    QLabel::paintEvent(event);
}

} // namespace tervolen
