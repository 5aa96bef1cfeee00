#pragma once

#include <QWidget>

class QHBoxLayout;
class QScrollArea;
class QToolButton;

namespace tervolen {

// A panel whose header button shows or hides its content, which sits in a scroll box. Starts collapsed.
class RollOut : public QWidget {
    Q_OBJECT

public:
    RollOut(const QString& title, QWidget* content, QWidget* parent = nullptr);

    QString title() const;
    void setTitle(const QString& title);
    bool expanded() const;
    void setExpanded(bool expanded);
    QToolButton* headerButton() const { return header_; }
    // Puts a widget at the right end of the header row.
    void addHeaderWidget(QWidget* widget);
    QScrollArea* scrollArea() const { return scroll_; }
    // Scrolls the content so that the given descendant is in sight.
    void ensureVisible(QWidget* child);

signals:
    void expandedChanged(bool expanded);

private:
    QToolButton* header_;
    QHBoxLayout* headerRow_;
    QScrollArea* scroll_;
};

} // namespace tervolen
