#pragma once

#include "ui/check_list.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QToolButton>

#include <set>
#include <string>

namespace tervolen::test {

// The shown texts below root that do not fit where they are shown: labels, buttons, group titles, tabs, the
// items of one-column check lists and combo texts narrower than their text, and widgets that stick out of
// their parent (unless the parent scrolls them).
inline std::set<std::string> cutOffTexts(QWidget& root) {
    std::set<std::string> cut;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root) || widget->isWindow())
            continue;
        std::string problem;
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            shown = label->text();
            if (label->wordWrap() ? label->heightForWidth(label->width()) > label->height()
                                  : label->width() < label->sizeHint().width())
                problem = "label too small";
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            auto* tool = qobject_cast<QToolButton*>(button);
            shown = tool != nullptr && tool->toolButtonStyle() == Qt::ToolButtonIconOnly ? QString() : button->text();
            if (!shown.isEmpty() && button->width() < button->sizeHint().width())
                problem = "button too small";
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            shown = group->title();
            if (group->width() < group->fontMetrics().horizontalAdvance(shown) + 8)
                problem = "group title too long";
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                QRect tab = tabs->tabRect(i).translated(tabs->pos());
                if (!tabs->parentWidget()->rect().contains(tab))
                    cut.insert(tabs->tabText(i).toStdString() + ": tab outside the bar");
            }
        } else if (auto* list = qobject_cast<CheckList*>(widget); list != nullptr && list->columns() == 1) {
            if (list->sizeHintForColumn(0) > list->viewport()->width())
                problem = "list items too wide";
            shown = list->objectName();
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            shown = combo->currentText();
            if (combo->lineEdit() != nullptr &&
                combo->fontMetrics().horizontalAdvance(shown) > combo->lineEdit()->width())
                problem = "combo text too long";
        }
        QWidget* parent = widget->parentWidget();
        bool scrolled = parent != nullptr && qobject_cast<QAbstractScrollArea*>(parent->parentWidget()) != nullptr;
        if (problem.empty() && parent != nullptr && !scrolled && !parent->rect().contains(widget->geometry()))
            problem = "outside its parent";
        if (!problem.empty())
            cut.insert(widget->objectName().toStdString() + " '" + shown.toStdString() + "': " + problem);
    }
    return cut;
}

} // namespace tervolen::test
