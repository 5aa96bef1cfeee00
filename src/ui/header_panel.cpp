#include "ui/header_panel.h"

#include "core/control_names.h"
#include "ui/control_factory.h"

#include <QHBoxLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QToolButton>

#include <algorithm>

namespace tervolen {

namespace {

constexpr int kTextMargin = 10; // above and below the caption together
constexpr int kIconSize = 14;

} // namespace

HeaderPanel::HeaderPanel(QWidget* parent)
    : QLabel(parent), hide_(makeToolButton(controls::btnHide, QStyle::SP_TitleBarMinButton, this)),
      close_(makeToolButton(controls::btnFechar, QStyle::SP_TitleBarCloseButton, this)) {
    applyDesign(*this, controlDesign(controls::GradientHeaderPanel));
    setText(toQString(controlDesign(controls::GradientHeaderPanel).text));
    setIndent(6);
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    setFixedHeight(std::max(kHeight, fontMetrics().height() + kTextMargin));
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    setPalette(palette);
    const int iconSize = std::max(kIconSize, QFontMetrics(QFont()).height());
    for (QToolButton* button : {hide_, close_}) {
        button->setFont(parent != nullptr ? parent->font() : QFont());
        // Icon only: the caption goes to the tooltip, so the icon sits in the middle of the button.
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize({iconSize, iconSize});
        button->setFixedSize(height() - 4, height() - 4);
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
