#include "ui/qt_form_state.h"

#include "core/control_names.h"
#include "core/form_design.h"
#include "core/text_conversion.h"
#include "ui/control_factory.h"
#include "ui/file_edit.h"
#include "ui/number_box.h"
#include "ui/outside_choices.h"
#include "ui/roll_out.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>

#include <memory>
#include <stdexcept>

namespace tervolen {

namespace {

std::string toStd(const QString& text) {
    return text.toStdString();
}

[[noreturn]] void unsupported(std::string_view name, const char* what) {
    throw std::logic_error("control " + std::string(name) + " has no " + what);
}

void checkIndex(std::string_view name, int index, int count, bool allowNone = false) {
    if (index < (allowNone ? -1 : 0) || index >= count)
        throw std::logic_error("no item " + std::to_string(index) + " in " + std::string(name));
}

// The tab widget that shows the widget as one of its pages, or nullptr.
QTabWidget* tabWidgetOf(QWidget& widget) {
    auto* stack = qobject_cast<QStackedWidget*>(widget.parentWidget());
    return stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}

QColor toQColor(Color color) {
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// A check-list or list-view row counts as chosen when it is current and selected.
int chosenRow(const QAbstractItemView& view) {
    QModelIndex current = view.currentIndex();
    return current.isValid() && view.selectionModel()->isSelected(current) ? current.row() : -1;
}

void chooseRow(QAbstractItemView& view, int row) {
    if (row < 0) {
        view.selectionModel()->clear();
        return;
    }
    view.setCurrentIndex(view.model()->index(row, 0));
}

} // namespace

QtFormState::QtFormState(FormWindow& window, Dialogs& dialogs) : window_(window), dialogs_(dialogs) {
    connectUserActions();
}

QObject& QtFormState::control(std::string_view name) const {
    QObject* object = window_.formRoot().findChild<QObject*>(toQString(name));
    if (object == nullptr)
        throw std::logic_error("no control named " + std::string(name));
    return *object;
}

QWidget& QtFormState::widget(std::string_view name) const {
    auto* widget = qobject_cast<QWidget*>(&control(name));
    if (widget == nullptr)
        unsupported(name, "widget");
    return *widget;
}

void QtFormState::connectUserActions() {
    for (const ControlDesign& design : mainWindowDesign()) {
        std::string name(design.name);
        connectControl(name, control(name));
    }
}

void QtFormState::connectControl(const std::string& name, QObject& object) {
    auto click = [this, name] { userAction(name, true); };
    auto change = [this, name] { userAction(name, false); };
    if (auto* action = qobject_cast<QAction*>(&object)) {
        QObject::connect(action, &QAction::triggered, &context_, click);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&object)) {
        QObject::connect(button, &QAbstractButton::clicked, &context_, click);
    } else if (auto* numberBox = qobject_cast<NumberBox*>(&object)) {
        QObject::connect(numberBox, &NumberBox::userEdited, &context_, change);
    } else if (auto* combo = qobject_cast<QComboBox*>(&object)) {
        QObject::connect(combo, &QComboBox::textActivated, &context_, change);
    } else if (auto* edit = qobject_cast<QLineEdit*>(&object)) {
        QObject::connect(edit, &QLineEdit::textEdited, &context_, change);
    } else if (auto* spin = qobject_cast<QSpinBox*>(&object)) {
        QObject::connect(spin, &QSpinBox::valueChanged, &context_, change);
    } else if (auto* fileEdit = qobject_cast<FileEdit*>(&object)) {
        QObject::connect(fileEdit, &FileEdit::textEdited, &context_, change);
    }
}

void QtFormState::userAction(const std::string& name, bool click) {
    try {
        if (click)
            runClickHandler(name);
        else
            runChangeHandler(name);
    } catch (const std::exception& e) {
        // The event loop must never see an exception.
        reportError(dialogs_, e);
    }
}

std::string QtFormState::text(std::string_view name) const {
    QObject& object = control(name);
    if (auto* numberBox = qobject_cast<NumberBox*>(&object))
        return toStd(numberBox->storedText());
    if (auto* spin = qobject_cast<QSpinBox*>(&object))
        return std::to_string(spin->value());
    if (auto* edit = qobject_cast<QLineEdit*>(&object))
        return toStd(edit->text());
    if (auto* fileEdit = qobject_cast<FileEdit*>(&object))
        return toStd(fileEdit->text());
    if (auto* combo = qobject_cast<QComboBox*>(&object))
        return toStd(comboText(*combo));
    if (auto* button = qobject_cast<QAbstractButton*>(&object))
        return toStd(button->text());
    if (auto* label = qobject_cast<QLabel*>(&object))
        return toStd(label->text());
    if (auto* group = qobject_cast<QGroupBox*>(&object))
        return toStd(group->title());
    if (auto* rollOut = qobject_cast<RollOut*>(&object))
        return toStd(rollOut->title());
    if (auto* action = qobject_cast<QAction*>(&object))
        return toStd(action->text());
    if (auto* page = qobject_cast<QWidget*>(&object); page != nullptr && tabWidgetOf(*page) != nullptr)
        return toStd(tabWidgetOf(*page)->tabText(tabWidgetOf(*page)->indexOf(page)));
    unsupported(name, "text");
}

bool QtFormState::storeText(std::string_view name, const std::string& value) {
    const ControlDesign* design = findControlDesign(name);
    QString text =
        toQString(design != nullptr && design->kind == ControlKind::UpperCaseEdit ? upperCase(value) : value);
    bool changed = toQString(this->text(name)) != text;
    QObject& object = control(name);
    if (auto* numberBox = qobject_cast<NumberBox*>(&object)) {
        numberBox->setStoredText(text);
    } else if (auto* spin = qobject_cast<QSpinBox*>(&object)) {
        spin->setValue(tryStrToInt(trim(value)).value_or(0));
    } else if (auto* edit = qobject_cast<QLineEdit*>(&object)) {
        edit->setText(text);
    } else if (auto* fileEdit = qobject_cast<FileEdit*>(&object)) {
        fileEdit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(&object)) {
        setComboText(*combo, text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(&object)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(&object)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(&object)) {
        group->setTitle(text);
    } else if (auto* rollOut = qobject_cast<RollOut*>(&object)) {
        rollOut->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(&object)) {
        action->setText(text);
    } else {
        QWidget& page = widget(name);
        tabWidgetOf(page)->setTabText(tabWidgetOf(page)->indexOf(&page), text);
    }
    return changed;
}

bool QtFormState::checked(std::string_view name) const {
    QObject& object = control(name);
    if (auto* button = qobject_cast<QAbstractButton*>(&object))
        return button->isChecked();
    if (auto* action = qobject_cast<QAction*>(&object))
        return action->isChecked();
    unsupported(name, "check mark");
}

bool QtFormState::storeChecked(std::string_view name, bool checked) {
    auto* button = qobject_cast<QAbstractButton*>(&control(name));
    if (button == nullptr || !button->isCheckable())
        unsupported(name, "check mark");
    bool changed = button->isChecked() != checked;
    button->setChecked(checked);
    return changed;
}

int QtFormState::itemCount(std::string_view name) const {
    QObject& object = control(name);
    if (auto* list = qobject_cast<QListWidget*>(&object))
        return list->count();
    if (auto* combo = qobject_cast<QComboBox*>(&object))
        return combo->count();
    if (auto* table = qobject_cast<QTableWidget*>(&object))
        return table->rowCount();
    unsupported(name, "items");
}

std::string QtFormState::itemText(std::string_view name, int index) const {
    checkIndex(name, index, itemCount(name));
    QObject& object = control(name);
    if (auto* list = qobject_cast<QListWidget*>(&object))
        return toStd(list->item(index)->text());
    if (auto* combo = qobject_cast<QComboBox*>(&object))
        return toStd(combo->itemText(index));
    QTableWidgetItem* item = qobject_cast<QTableWidget*>(&object)->item(index, 0);
    return item != nullptr ? toStd(item->text()) : std::string();
}

bool QtFormState::itemChecked(std::string_view name, int index) const {
    checkIndex(name, index, itemCount(name));
    auto* list = qobject_cast<QListWidget*>(&control(name));
    return list != nullptr && list->item(index)->checkState() == Qt::Checked;
}

void QtFormState::setItemChecked(std::string_view name, int index, bool checked) {
    auto* list = qobject_cast<QListWidget*>(&control(name));
    if (list == nullptr)
        unsupported(name, "check boxes");
    checkIndex(name, index, list->count());
    list->item(index)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

int QtFormState::itemIndex(std::string_view name) const {
    QObject& object = control(name);
    if (auto* combo = qobject_cast<QComboBox*>(&object))
        return combo->currentIndex();
    if (auto* view = qobject_cast<QAbstractItemView*>(&object))
        return chosenRow(*view);
    unsupported(name, "items");
}

void QtFormState::setItemIndex(std::string_view name, int index) {
    checkIndex(name, index, itemCount(name), true);
    QObject& object = control(name);
    if (auto* combo = qobject_cast<QComboBox*>(&object)) {
        // Without an item the combo box keeps its text, as a selection cleared from code does.
        if (index < 0)
            clearComboChoice(*combo);
        else
            combo->setCurrentIndex(index);
        return;
    }
    chooseRow(*qobject_cast<QAbstractItemView*>(&object), index);
}

void QtFormState::addItem(std::string_view name, const std::string& text) {
    QObject& object = control(name);
    if (auto* list = qobject_cast<QListWidget*>(&object)) {
        auto* item = new QListWidgetItem(toQString(text), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    } else if (auto* combo = qobject_cast<QComboBox*>(&object)) {
        combo->addItem(toQString(text));
    } else if (auto* table = qobject_cast<QTableWidget*>(&object)) {
        int row = table->rowCount();
        table->insertRow(row);
        auto* item = new QTableWidgetItem(toQString(text));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        table->setItem(row, 0, item);
    } else {
        unsupported(name, "items");
    }
}

void QtFormState::removeItem(std::string_view name, int index) {
    checkIndex(name, index, itemCount(name));
    QObject& object = control(name);
    if (auto* list = qobject_cast<QListWidget*>(&object))
        std::unique_ptr<QListWidgetItem>(list->takeItem(index));
    else if (auto* combo = qobject_cast<QComboBox*>(&object))
        combo->removeItem(index);
    else
        qobject_cast<QTableWidget*>(&object)->removeRow(index);
}

void QtFormState::clearItems(std::string_view name) {
    QObject& object = control(name);
    if (auto* list = qobject_cast<QListWidget*>(&object))
        list->clear();
    else if (auto* combo = qobject_cast<QComboBox*>(&object))
        combo->clear();
    else if (auto* table = qobject_cast<QTableWidget*>(&object))
        table->setRowCount(0);
    else
        unsupported(name, "items");
}

bool QtFormState::enabled(std::string_view name) const {
    QObject& object = control(name);
    if (auto* action = qobject_cast<QAction*>(&object))
        return action->isEnabled();
    return widget(name).isEnabled();
}

void QtFormState::setEnabled(std::string_view name, bool enabled) {
    QObject& object = control(name);
    if (auto* action = qobject_cast<QAction*>(&object))
        action->setEnabled(enabled);
    else
        widget(name).setEnabled(enabled);
}

bool QtFormState::visible(std::string_view name) const {
    QObject& object = control(name);
    if (auto* action = qobject_cast<QAction*>(&object))
        return action->isVisible();
    QWidget& control = widget(name);
    if (QTabWidget* tabs = tabWidgetOf(control))
        return tabs->isTabVisible(tabs->indexOf(&control));
    return !control.isHidden();
}

void QtFormState::setVisible(std::string_view name, bool visible) {
    QObject& object = control(name);
    if (auto* action = qobject_cast<QAction*>(&object)) {
        action->setVisible(visible);
        return;
    }
    QWidget& control = widget(name);
    if (QTabWidget* tabs = tabWidgetOf(control))
        tabs->setTabVisible(tabs->indexOf(&control), visible);
    else
        control.setHidden(!visible);
}

void QtFormState::setLabelStyle(std::string_view name, Color color, bool bold) {
    QWidget& label = widget(name);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, toQColor(color));
    palette.setColor(QPalette::ButtonText, toQColor(color));
    label.setPalette(palette);
    QFont font = label.font();
    font.setBold(bold);
    label.setFont(font);
}

bool QtFormState::setFocus(std::string_view name) {
    auto* target = qobject_cast<QWidget*>(&control(name));
    if (target == nullptr)
        return false;
    int page = pageOf(name);
    if (page >= 0 && page != activePage())
        return false;
    if (!target->isEnabled())
        return false;
    window_.revealControl(*target);
    if (!target->isVisibleTo(&window_.formRoot()))
        return false;
    target->setFocus(Qt::OtherFocusReason);
    return true;
}

int QtFormState::activePage() const {
    return qobject_cast<QTabWidget*>(&control(controls::PageControl))->currentIndex();
}

void QtFormState::setActivePage(int index) {
    auto* pages = qobject_cast<QTabWidget*>(&control(controls::PageControl));
    checkIndex(controls::PageControl, index, pages->count());
    pages->setCurrentIndex(index);
}

} // namespace tervolen
