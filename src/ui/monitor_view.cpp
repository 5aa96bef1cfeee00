#include "ui/monitor_view.h"
#include "core/control_names.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tervolen {

namespace {

// Changes are shown at most this often; a job appends far faster than anyone can read.
constexpr int kRefreshIntervalMs = 40;
constexpr int kTextMargin = 3;

QColor toQColor(Color color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

} // namespace

MonitorView::MonitorView(MonitorLog& log, QWidget* parent) : QAbstractScrollArea(parent), log_(log) {
    setObjectName(controls::reStatus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::StrongFocus);
    QPalette colors = viewport()->palette();
    colors.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(colors);
    verticalScrollBar()->setSingleStep(1);
    refreshTimer_.setSingleShot(true);
    refreshTimer_.setInterval(kRefreshIntervalMs);
    connect(&refreshTimer_, &QTimer::timeout, this, &MonitorView::refresh);
    subscription_ = log_.addListener(*this);
    scheduleRefresh();
}

void MonitorView::refresh() {
    refreshTimer_.stop();
    std::size_t fitting = paragraphsFittingAtEnd();
    std::size_t lastFirst = log_.size() - fitting;
    if (following_ || first_ >= lastFirst) {
        first_ = lastFirst;
        following_ = true;
    }
    QScrollBar* bar = verticalScrollBar();
    settingScrollBar_ = true;
    bar->setRange(0, static_cast<int>(lastFirst));
    bar->setPageStep(static_cast<int>(std::max<std::size_t>(fitting, 1)));
    bar->setValue(static_cast<int>(first_));
    settingScrollBar_ = false;
    viewport()->update();
}

QRect MonitorView::paragraphRect(std::size_t index) const {
    int y = 0;
    for (std::size_t i = first_; i < log_.size() && y < viewport()->height(); ++i) {
        int height = paragraphHeight(i);
        if (i == index)
            return QRect(0, y, viewport()->width(), height);
        y += height;
    }
    return {};
}

QFont MonitorView::paragraphFont(int pointSize) const {
    auto found = fonts_.find(pointSize);
    if (found != fonts_.end())
        return found->second;
    QFont font(kMonitorFontName);
    font.setPointSize(std::max(pointSize, 1));
    // The area asks for a fixed pitch; where Verdana is missing, that picks a fixed-pitch stand-in.
    font.setFixedPitch(true);
    font.setStyleHint(QFont::TypeWriter);
    return fonts_.emplace(pointSize, font).first->second;
}

QString MonitorView::selectedText() const {
    if (!hasSelection_ || log_.empty())
        return {};
    std::size_t from = std::min(anchor_, cursor_);
    std::size_t to = std::min(std::max(anchor_, cursor_), log_.size() - 1);
    QString text;
    for (std::size_t i = from; i <= to; ++i) {
        text += QString::fromStdString(log_.paragraph(i).text);
        if (i != to)
            text += '\n';
    }
    return text;
}

void MonitorView::selectAll() {
    if (log_.empty())
        return;
    hasSelection_ = true;
    anchor_ = 0;
    cursor_ = log_.size() - 1;
    viewport()->update();
}

void MonitorView::copy() const {
    if (hasSelection_)
        QApplication::clipboard()->setText(selectedText());
}

void MonitorView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), viewport()->palette().base());
    int y = 0;
    for (std::size_t i = first_; i < log_.size() && y < viewport()->height(); ++i) {
        QTextLayout layout;
        int height = layoutParagraph(layout, i);
        if (isSelected(i)) {
            painter.fillRect(QRect(0, y, viewport()->width(), height), palette().highlight());
            painter.setPen(palette().highlightedText().color());
        } else {
            painter.setPen(toQColor(log_.paragraph(i).color));
        }
        layout.draw(&painter, QPointF(kTextMargin, y));
        y += height;
    }
}

void MonitorView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    refresh();
}

void MonitorView::scrollContentsBy(int, int) {
    if (settingScrollBar_)
        return;
    QScrollBar* bar = verticalScrollBar();
    first_ = static_cast<std::size_t>(bar->value());
    following_ = bar->value() >= bar->maximum();
    viewport()->update();
}

void MonitorView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || log_.empty())
        return QAbstractScrollArea::mousePressEvent(event);
    hasSelection_ = true;
    anchor_ = cursor_ = paragraphAt(event->position().toPoint().y());
    viewport()->update();
}

void MonitorView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton) || !hasSelection_ || log_.empty())
        return QAbstractScrollArea::mouseMoveEvent(event);
    int y = event->position().toPoint().y();
    QScrollBar* bar = verticalScrollBar();
    if (y < 0)
        bar->setValue(bar->value() - 1);
    else if (y >= viewport()->height())
        bar->setValue(bar->value() + 1);
    cursor_ = paragraphAt(y);
    viewport()->update();
}

void MonitorView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy))
        copy();
    else if (event->matches(QKeySequence::SelectAll))
        selectAll();
    else
        QAbstractScrollArea::keyPressEvent(event);
}

void MonitorView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(tr("&Copy"), this, &MonitorView::copy);
    copyAction->setEnabled(hasSelection_);
    menu.addAction(tr("Select &All"), this, &MonitorView::selectAll);
    menu.exec(event->globalPos());
}

void MonitorView::paragraphsAppended(std::size_t) {
    scheduleRefresh();
}

void MonitorView::paragraphsInserted(std::size_t count) {
    // Paragraphs in sight stay in sight, and the selection stays on its paragraphs.
    if (!following_)
        first_ += count;
    anchor_ += count;
    cursor_ += count;
    scheduleRefresh();
}

void MonitorView::paragraphsTrimmed(std::size_t count) {
    first_ = first_ > count ? first_ - count : 0;
    if (hasSelection_ && std::max(anchor_, cursor_) < count)
        hasSelection_ = false;
    anchor_ = anchor_ > count ? anchor_ - count : 0;
    cursor_ = cursor_ > count ? cursor_ - count : 0;
    scheduleRefresh();
}

void MonitorView::monitorCleared() {
    first_ = 0;
    following_ = true;
    hasSelection_ = false;
    scheduleRefresh();
}

void MonitorView::scheduleRefresh() {
    if (!refreshTimer_.isActive())
        refreshTimer_.start();
}

int MonitorView::textWidth() const {
    return std::max(viewport()->width() - 2 * kTextMargin, 1);
}

int MonitorView::layoutParagraph(QTextLayout& layout, std::size_t index) const {
    const MonitorParagraph& paragraph = log_.paragraph(index);
    layout.setText(QString::fromStdString(paragraph.text));
    layout.setFont(paragraphFont(paragraph.size));
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    qreal height = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(textWidth());
        line.setPosition(QPointF(0, height));
        height += line.height();
    }
    layout.endLayout();
    return std::max(static_cast<int>(std::ceil(height)), 1);
}

int MonitorView::paragraphHeight(std::size_t index) const {
    QTextLayout layout;
    return layoutParagraph(layout, index);
}

std::size_t MonitorView::paragraphsFittingAtEnd() const {
    int room = viewport()->height();
    int used = 0;
    std::size_t fitting = 0;
    for (std::size_t i = log_.size(); i > 0; --i) {
        int height = paragraphHeight(i - 1);
        if (fitting > 0 && used + height > room)
            break;
        used += height;
        ++fitting;
    }
    return fitting;
}

std::size_t MonitorView::paragraphAt(int y) const {
    if (y < 0)
        return first_;
    int top = 0;
    for (std::size_t i = first_; i < log_.size(); ++i) {
        top += paragraphHeight(i);
        if (y < top || top >= viewport()->height())
            return i;
    }
    return log_.size() - 1;
}

bool MonitorView::isSelected(std::size_t index) const {
    return hasSelection_ && index >= std::min(anchor_, cursor_) && index <= std::max(anchor_, cursor_);
}

} // namespace tervolen
