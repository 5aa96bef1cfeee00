#include "core/settings_pages.h"

#include "core/control_names.h"
#include "core/errors.h"
#include "core/mirror_list_file.h"
#include "core/settings_file.h"
#include "core/settings_table.h"

#include <filesystem>

namespace tervolen {

namespace {

// Creates one folder level when the folder is missing; the error's text is the folder itself.
void EnsureFolder(const std::string& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return;
    if (!std::filesystem::create_directory(folder, ec) || ec)
        throw Error(folder);
}

void WriteItems(SettingsFile& settings, const FormState& form, const SettingRow& row) {
    const int count = row.itemKeys == ItemKeys::Weekdays ? 7 : form.itemCount(row.control);
    for (int i = 0; i < count; ++i) {
        const std::string itemText = row.itemKeys == ItemKeys::Weekdays ? "" : form.itemText(row.control, i);
        WriteSettingItem(settings, row.id, ItemKey(row, i, itemText), form.itemChecked(row.control, i));
    }
}

void WriteRow(SettingsFile& settings, const FormState& form, const SettingRow& row) {
    switch (row.encoding) {
    case Encoding::Text:
        return WriteSettingText(settings, row.id, form.text(row.control));
    case Encoding::Mark:
        return WriteSettingMark(settings, row.id, form.checked(row.control));
    case Encoding::Flag:
        return WriteSettingFlag(settings, row.id, form.checked(row.control));
    case Encoding::ItemFlags:
        return WriteItems(settings, form, row);
    case Encoding::ItemIndex: {
        const int index = form.itemIndex(row.control);
        if (row.saveRule != SaveRule::WhenSelected || index >= 0)
            WriteSettingText(settings, row.id, index == 1 ? "1" : "0");
        return;
    }
    }
}

// Writes the rows of one action in table order; returns the first Required row whose control is empty (the
// save stops there), or nullptr. A FillWhenEmpty row makes defaultFolder first and puts it in an empty control.
const SettingRow* WriteRows(SettingsFile& settings, FormState& form, SavedBy action,
                            const std::string& defaultFolder = {}) {
    for (const SettingRow& row : SettingsTable()) {
        if (row.savedBy != action)
            continue;
        if (row.saveRule == SaveRule::Required && form.text(row.control).empty())
            return &row;
        if (row.saveRule == SaveRule::FillWhenEmpty) {
            EnsureFolder(defaultFolder);
            if (form.text(row.control).empty())
                form.setText(row.control, defaultFolder);
        }
        WriteRow(settings, form, row);
    }
    return nullptr;
}

// Returns false when a required field was empty: its message was shown and the save stops there.
bool WriteScheduleSettings(SettingsFile& settings, FormState& form, Dialogs& dialogs, const AppPaths& paths) {
    // An unticked box and an emptied field clear what was stored, so they do not come back at the next start.
    if (const SettingRow* empty = WriteRows(settings, form, SavedBy::SaveSchedule, paths.join("DefaultRestores"))) {
        dialogs.message(empty->requiredMessage);
        form.setFocus(empty->control);
        return false;
    }
    return true;
}

std::vector<std::string> MirrorCaptions(const FormState& form) {
    std::vector<std::string> captions;
    for (int i = 0; i < form.itemCount(controls::MirrorListView); ++i)
        captions.push_back(form.itemText(controls::MirrorListView, i));
    return captions;
}

} // namespace

void SaveSchedulePage(FormState& form, Dialogs& dialogs, const AppPaths& paths) {
    bool complete = WithSettings(paths.settingsFile, [&](SettingsFile& settings) {
        return WriteScheduleSettings(settings, form, dialogs, paths);
    });
    if (!complete)
        return;
    EnsureFolder(paths.join("DefaultLogs") + kPathDelim);
    EnsureFolder(paths.join("DefaultBackups"));
    SaveMirrorList(paths.join("Mirrors.lst"), MirrorCaptions(form));
    form.minimize();
}

void SaveConfigPage(FormState& form, const AppPaths& paths) {
    WithSettings(paths.settingsFile, [&](SettingsFile& settings) { WriteRows(settings, form, SavedBy::SaveConfig); });
}

} // namespace tervolen
