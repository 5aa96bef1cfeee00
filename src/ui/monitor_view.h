#pragma once

#include "core/monitor_log.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

#include <cstddef>
#include <map>

class QTextLayout;

namespace tervolen {

// The Monitor's read-only text area (reStatus): shows a MonitorLog with each paragraph in its own colour
// and size. Only the paragraphs in sight are laid out and painted, and changes of the log are gathered
// and shown a few times a second, so appending stays cheap however long the log grows. The view keeps
// the newest paragraph in sight until the user scrolls away from the end, and again once the user
// scrolls back to it. Whole paragraphs can be selected with the mouse and copied.
class MonitorView : public QAbstractScrollArea, private MonitorListener {
    Q_OBJECT

public:
    explicit MonitorView(MonitorLog& log, QWidget* parent = nullptr);

    // Brings the scroll bar and the picture up to date now rather than at the next gathered refresh.
    void refresh();

    std::size_t firstVisibleParagraph() const { return first_; }
    bool followsEnd() const { return following_; }
    // Where a paragraph is painted in the viewport; empty when it is out of sight.
    QRect paragraphRect(std::size_t index) const;
    // The font a paragraph of that size is shown in.
    QFont paragraphFont(int pointSize) const;

    QString selectedText() const;
    void selectAll();
    // Puts the selected paragraphs on the clipboard, one line each.
    void copy() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void paragraphsAppended(std::size_t count) override;
    void paragraphsInserted(std::size_t count) override;
    void paragraphsTrimmed(std::size_t count) override;
    void monitorCleared() override;

    void scheduleRefresh();
    int textWidth() const;
    // Lays the paragraph out at the text width; returns its height in pixels.
    int layoutParagraph(QTextLayout& layout, std::size_t index) const;
    int paragraphHeight(std::size_t index) const;
    // Paragraphs that fit in the viewport counted back from the last one (at least one when any).
    std::size_t paragraphsFittingAtEnd() const;
    // The paragraph under a viewport y, clamped to the paragraphs in the log.
    std::size_t paragraphAt(int y) const;
    bool isSelected(std::size_t index) const;

    MonitorLog& log_;
    QTimer refreshTimer_;
    std::size_t first_ = 0;
    bool following_ = true;
    bool settingScrollBar_ = false;
    bool hasSelection_ = false;
    std::size_t anchor_ = 0;
    std::size_t cursor_ = 0;
    mutable std::map<int, QFont> fonts_;
    // Last, so that it ends before the members the listener calls use.
    MonitorLog::Subscription subscription_;
};

} // namespace tervolen
