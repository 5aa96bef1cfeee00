#include "core/unsaved_settings.h"

#include "core/control_names.h"
#include "core/headless_form.h"
#include "core/mirror_list_file.h"
#include "core/settings_file.h"
#include "core/settings_pages.h"
#include "core/startup.h"

#include <string>
#include <vector>

namespace tervolen {

namespace {

bool isPageRow(const SettingRow& row) {
    return (row.savedBy == SavedBy::SaveSchedule || row.savedBy == SavedBy::SaveConfig) && row.load != Load::Never &&
           row.control != nullptr;
}

bool sameItemChecks(const FormState& a, const FormState& b, const char* control) {
    if (a.itemCount(control) != b.itemCount(control))
        return false;
    for (int i = 0; i < a.itemCount(control); ++i)
        if (a.itemChecked(control, i) != b.itemChecked(control, i))
            return false;
    return true;
}

// Whether the row's control shows the same stored value in both forms.
bool sameValue(const FormState& a, const FormState& b, const SettingRow& row) {
    switch (row.encoding) {
    case Encoding::Text:
        return a.text(row.control) == b.text(row.control);
    case Encoding::Mark:
    case Encoding::Flag:
        return a.checked(row.control) == b.checked(row.control);
    case Encoding::ItemFlags:
        return sameItemChecks(a, b, row.control);
    case Encoding::ItemIndex:
    case Encoding::ItemValue:
        return a.itemIndex(row.control) == b.itemIndex(row.control);
    }
    return false;
}

std::vector<std::string> mirrorFolders(const FormState& form) {
    std::vector<std::string> folders;
    for (int i = 0; i < form.itemCount(controls::MirrorListView); ++i)
        folders.push_back(form.itemText(controls::MirrorListView, i));
    return folders;
}

std::vector<std::string> storedMirrorFolders(const AppPaths& paths) {
    std::vector<std::string> folders;
    for (const MirrorListEntry& entry : loadMirrorList(paths.join("Mirrors.lst")))
        folders.push_back(entry.caption);
    return folders;
}

} // namespace

bool pageHasUnsavedChanges(const FormState& form, const AppPaths& paths, SavedBy page) {
    if (page == SavedBy::SaveSchedule && mirrorFolders(form) != storedMirrorFolders(paths))
        return true;
    return readSettings(paths.settingsFile, [&](const SettingsFile& stored) {
        SettingsFile saved = stored;
        writePageRows(saved, form, page);
        // Both documents read back into fresh controls, so spellings and missing keys that mean the same compare equal.
        HeadlessForm before;
        HeadlessForm after;
        for (const SettingRow& row : settingsTable()) {
            if (row.savedBy != page || !isPageRow(row))
                continue;
            loadSettingRow(before, stored, row);
            loadSettingRow(after, saved, row);
            if (!sameValue(before, after, row))
                return true;
        }
        return false;
    });
}

void loadSavedPages(FormState& form, const AppPaths& paths) {
    readSettings(paths.settingsFile, [&](const SettingsFile& settings) {
        for (const SettingRow& row : settingsTable())
            if (isPageRow(row))
                loadSettingRow(form, settings, row);
    });
    form.clearItems(controls::MirrorListView);
    for (const std::string& folder : storedMirrorFolders(paths))
        form.addItem(controls::MirrorListView, folder);
}

} // namespace tervolen
