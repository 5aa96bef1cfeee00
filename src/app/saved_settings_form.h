#pragma once

#include "core/form_state.h"
#include "core/headless_form.h"
#include "core/paths.h"

#include <set>
#include <string>

namespace tervolen {

// The window as a backup run sees it when it is to use the saved settings and leave the user's edits alone: the
// stored controls of the Schedule and Config pages, the mirror list and the log folder that follows its check box
// read as saved; every other reading, and every change, goes to the window.
class SavedSettingsForm : public FormState {
public:
    // Throws what reading the settings or the list file throws.
    SavedSettingsForm(FormState& window, const AppPaths& paths);

    std::string text(std::string_view control) const override;
    bool checked(std::string_view control) const override;
    int itemCount(std::string_view control) const override;
    std::string itemText(std::string_view control, int index) const override;
    bool itemChecked(std::string_view control, int index) const override;
    void setItemChecked(std::string_view control, int index, bool checked) override;
    int itemIndex(std::string_view control) const override;
    void setItemIndex(std::string_view control, int index) override;
    void addItem(std::string_view control, const std::string& text) override;
    void removeItem(std::string_view control, int index) override;
    void clearItems(std::string_view control) override;
    bool enabled(std::string_view control) const override;
    void setEnabled(std::string_view control, bool enabled) override;
    bool visible(std::string_view control) const override;
    void setVisible(std::string_view control, bool visible) override;
    void setLabelStyle(std::string_view control, Color color, bool bold) override;
    bool setFocus(std::string_view control) override;
    int activePage() const override;
    void setActivePage(int index) override;
    void minimize() override;
    void restore() override;
    void close() override;

protected:
    // The window runs its own handlers, so this view reports no change of its own.
    bool storeChecked(std::string_view control, bool checked) override;
    bool storeText(std::string_view control, const std::string& text) override;

private:
    // The form that answers a reading of the control's stored value.
    const FormState& valuesOf(std::string_view control) const;
    // The same for the selected item: a list's highlighted row is no stored value.
    const FormState& selectionOf(std::string_view control) const;

    FormState& window_;
    HeadlessForm saved_;
    std::set<std::string, std::less<>> savedControls_;
};

} // namespace tervolen
