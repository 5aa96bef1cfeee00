#include "core/headless_form.h"

#include "core/text_conversion.h"

#include <stdexcept>

namespace tervolen {

HeadlessForm::HeadlessForm() {
    for (const auto& design : mainWindowDesign()) {
        Control control;
        control.kind = design.kind;
        control.text = std::string(design.text);
        for (auto text : design.items)
            control.items.push_back({std::string(text)});
        control.itemIndex = design.itemIndex;
        control.enabled = design.enabled;
        control.visible = design.visible;
        controls_.emplace(std::string(design.name), std::move(control));
    }
}

HeadlessForm::Control& HeadlessForm::at(std::string_view name) {
    auto it = controls_.find(name);
    if (it == controls_.end())
        throw std::logic_error("no control named " + std::string(name));
    return it->second;
}

const HeadlessForm::Control& HeadlessForm::at(std::string_view name) const {
    return const_cast<HeadlessForm*>(this)->at(name);
}

HeadlessForm::Item& HeadlessForm::item(Control& control, std::string_view name, int index) {
    if (index < 0 || index >= static_cast<int>(control.items.size()))
        throw std::logic_error("no item " + std::to_string(index) + " in " + std::string(name));
    return control.items[static_cast<size_t>(index)];
}

const HeadlessForm::Item& HeadlessForm::item(const Control& control, std::string_view name, int index) {
    return item(const_cast<Control&>(control), name, index);
}

std::string HeadlessForm::text(std::string_view control) const { return at(control).text; }

bool HeadlessForm::storeText(std::string_view name, const std::string& value) {
    Control& control = at(name);
    std::string text = control.kind == ControlKind::UpperCaseEdit ? upperCase(value) : value;
    if (control.kind == ControlKind::ComboBox) {
        control.itemIndex = -1;
        for (size_t i = 0; i < control.items.size() && control.itemIndex < 0; ++i)
            if (control.items[i].text == text)
                control.itemIndex = static_cast<int>(i);
    }
    bool changed = control.text != text;
    control.text = std::move(text);
    return changed;
}

bool HeadlessForm::checked(std::string_view control) const { return at(control).checked; }

bool HeadlessForm::storeChecked(std::string_view name, bool checked) {
    Control& control = at(name);
    bool changed = control.checked != checked;
    control.checked = checked;
    return changed;
}

int HeadlessForm::itemCount(std::string_view control) const { return static_cast<int>(at(control).items.size()); }

std::string HeadlessForm::itemText(std::string_view control, int index) const {
    return item(at(control), control, index).text;
}

bool HeadlessForm::itemChecked(std::string_view control, int index) const {
    return item(at(control), control, index).checked;
}

void HeadlessForm::setItemChecked(std::string_view control, int index, bool checked) {
    item(at(control), control, index).checked = checked;
}

int HeadlessForm::itemIndex(std::string_view control) const { return at(control).itemIndex; }

void HeadlessForm::setItemIndex(std::string_view name, int index) {
    Control& control = at(name);
    if (index < -1 || index >= static_cast<int>(control.items.size()))
        throw std::logic_error("no item " + std::to_string(index) + " in " + std::string(name));
    control.itemIndex = index;
    if (control.kind == ControlKind::ComboBox && index >= 0)
        control.text = control.items[static_cast<size_t>(index)].text;
}

void HeadlessForm::addItem(std::string_view control, const std::string& text) { at(control).items.push_back({text}); }

void HeadlessForm::removeItem(std::string_view name, int index) {
    Control& control = at(name);
    item(control, name, index);
    control.items.erase(control.items.begin() + index);
    if (control.itemIndex >= static_cast<int>(control.items.size()))
        control.itemIndex = static_cast<int>(control.items.size()) - 1;
}

void HeadlessForm::clearItems(std::string_view control) {
    at(control).items.clear();
    at(control).itemIndex = -1;
}

bool HeadlessForm::enabled(std::string_view control) const { return at(control).enabled; }

void HeadlessForm::setEnabled(std::string_view control, bool enabled) { at(control).enabled = enabled; }

bool HeadlessForm::visible(std::string_view control) const { return at(control).visible; }

void HeadlessForm::setVisible(std::string_view control, bool visible) { at(control).visible = visible; }

void HeadlessForm::setLabelStyle(std::string_view name, Color color, bool bold) {
    Control& control = at(name);
    control.color = color;
    control.bold = bold;
}

Color HeadlessForm::labelColor(std::string_view control) const { return at(control).color; }

bool HeadlessForm::labelBold(std::string_view control) const { return at(control).bold; }

bool HeadlessForm::setFocus(std::string_view name) {
    const Control& control = at(name);
    if (!control.enabled || !control.visible)
        return false;
    int page = pageOf(name);
    if (page >= 0 && page != activePage_)
        return false;
    focused_ = std::string(name);
    return true;
}

} // namespace tervolen
