#include "ui/link_label.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace tervolen {

namespace {

constexpr int kMargin = 2;
const QColor kLinkColor(0, 0, 128);
const QColor kHoverColor(255, 0, 0);

} // namespace

LinkLabel::LinkLabel(const QString& text, bool link, QWidget* parent) : QAbstractButton(parent), link_(link) {
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (link_) {
        setCursor(Qt::PointingHandCursor);
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, kLinkColor);
        setPalette(palette);
    }
}

QSize LinkLabel::sizeHint() const {
    QSize text = fontMetrics().size(Qt::TextShowMnemonic, this->text());
    return {text.width() + 2 * kMargin, text.height() + 2};
}

void LinkLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QFont font = this->font();
    QColor color = palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText);
    if (link_ && hovered_) {
        font.setUnderline(true);
        color = kHoverColor;
    }
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(rect().adjusted(kMargin, 0, -kMargin, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                     text());
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void LinkLabel::keyPressEvent(QKeyEvent* event) {
    // Space is the button's own key; Enter acts too, as on a link.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void LinkLabel::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkLabel::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

} // namespace tervolen
