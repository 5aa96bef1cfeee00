#include "app/saved_settings_form.h"

#include "app/schedule_page_handlers.h"
#include "core/control_names.h"
#include "core/form_design.h"
#include "core/settings_table.h"
#include "core/unsaved_settings.h"

namespace tervolen {

SavedSettingsForm::SavedSettingsForm(FormState& window, const AppPaths& paths) : window_(window) {
    loadSavedPages(saved_, paths);
    onAutomaticLogToggled(saved_, paths);
    for (const SettingRow& row : settingsTable())
        if ((row.savedBy == SavedBy::SaveSchedule || row.savedBy == SavedBy::SaveConfig) && row.control != nullptr)
            savedControls_.insert(row.control);
    savedControls_.insert(controls::MirrorListView);
    savedControls_.insert(controls::LogFileEdit);
}

const FormState& SavedSettingsForm::valuesOf(std::string_view control) const {
    return savedControls_.contains(control) ? static_cast<const FormState&>(saved_) : window_;
}

const FormState& SavedSettingsForm::selectionOf(std::string_view control) const {
    const ControlDesign* design = findControlDesign(control);
    const bool list = design != nullptr && (design->kind == ControlKind::CheckList || design->kind == ControlKind::ListView);
    return list ? window_ : valuesOf(control);
}

std::string SavedSettingsForm::text(std::string_view control) const { return valuesOf(control).text(control); }

bool SavedSettingsForm::checked(std::string_view control) const { return valuesOf(control).checked(control); }

int SavedSettingsForm::itemCount(std::string_view control) const { return valuesOf(control).itemCount(control); }

std::string SavedSettingsForm::itemText(std::string_view control, int index) const {
    return valuesOf(control).itemText(control, index);
}

bool SavedSettingsForm::itemChecked(std::string_view control, int index) const {
    return valuesOf(control).itemChecked(control, index);
}

void SavedSettingsForm::setItemChecked(std::string_view control, int index, bool checked) {
    window_.setItemChecked(control, index, checked);
}

int SavedSettingsForm::itemIndex(std::string_view control) const { return selectionOf(control).itemIndex(control); }

void SavedSettingsForm::setItemIndex(std::string_view control, int index) { window_.setItemIndex(control, index); }

void SavedSettingsForm::addItem(std::string_view control, const std::string& text) { window_.addItem(control, text); }

void SavedSettingsForm::removeItem(std::string_view control, int index) { window_.removeItem(control, index); }

void SavedSettingsForm::clearItems(std::string_view control) { window_.clearItems(control); }

bool SavedSettingsForm::enabled(std::string_view control) const { return window_.enabled(control); }

void SavedSettingsForm::setEnabled(std::string_view control, bool enabled) { window_.setEnabled(control, enabled); }

bool SavedSettingsForm::visible(std::string_view control) const { return window_.visible(control); }

void SavedSettingsForm::setVisible(std::string_view control, bool visible) { window_.setVisible(control, visible); }

void SavedSettingsForm::setLabelStyle(std::string_view control, Color color, bool bold) {
    window_.setLabelStyle(control, color, bold);
}

bool SavedSettingsForm::setFocus(std::string_view control) { return window_.setFocus(control); }

int SavedSettingsForm::activePage() const { return window_.activePage(); }

void SavedSettingsForm::setActivePage(int index) { window_.setActivePage(index); }

void SavedSettingsForm::minimize() { window_.minimize(); }

void SavedSettingsForm::restore() { window_.restore(); }

void SavedSettingsForm::close() { window_.close(); }

bool SavedSettingsForm::storeChecked(std::string_view control, bool checked) {
    window_.setChecked(control, checked);
    return false;
}

bool SavedSettingsForm::storeText(std::string_view control, const std::string& text) {
    window_.setText(control, text);
    return false;
}

} // namespace tervolen
