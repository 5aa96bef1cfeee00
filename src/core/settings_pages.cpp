#include "core/settings_pages.h"

#include "core/control_names.h"
#include "core/errors.h"
#include "core/mirror_list_file.h"
#include "core/settings_file.h"
#include "core/settings_table.h"

#include <filesystem>
#include <optional>

namespace tervolen {

namespace {

// Creates one folder level when the folder is missing; the error's text is the folder itself.
void ensureFolder(const std::string& folder) {
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec))
        return;
    if (!std::filesystem::create_directory(folder, ec) || ec)
        throw Error(folder);
}

void writeItems(SettingsFile& settings, const FormState& form, const SettingRow& row) {
    const int count = row.itemKeys == ItemKeys::Weekdays ? 7 : form.itemCount(row.control);
    for (int i = 0; i < count; ++i) {
        const std::string itemText = row.itemKeys == ItemKeys::Weekdays ? "" : form.itemText(row.control, i);
        writeSettingItem(settings, row.id, itemKey(row, i, itemText), form.itemChecked(row.control, i));
    }
}

void writeRow(SettingsFile& settings, const FormState& form, const SettingRow& row) {
    switch (row.encoding) {
    case Encoding::Text:
        return writeSettingText(settings, row.id, form.text(row.control));
    case Encoding::Mark:
        return writeSettingMark(settings, row.id, form.checked(row.control));
    case Encoding::Flag:
        return writeSettingFlag(settings, row.id, form.checked(row.control));
    case Encoding::ItemFlags:
        return writeItems(settings, form, row);
    case Encoding::ItemIndex: {
        const int index = form.itemIndex(row.control);
        if (row.saveRule != SaveRule::WhenSelected || index >= 0)
            writeSettingText(settings, row.id, index == 1 ? "1" : "0");
        return;
    }
    case Encoding::ItemValue:
        return writeSettingText(settings, row.id, row.itemValues[form.itemIndex(row.control)]);
    }
}

// The text a Text or ItemValue row would write; nothing for an ItemValue row without a selected item.
std::optional<std::string> valueToWrite(const FormState& form, const SettingRow& row) {
    if (row.encoding != Encoding::ItemValue)
        return form.text(row.control);
    const int index = form.itemIndex(row.control);
    if (index < 0 || index >= static_cast<int>(row.itemValues.size()) || row.itemValues[index] == nullptr)
        return std::nullopt;
    return std::string(row.itemValues[index]);
}

bool skipsWrite(const SettingsFile& settings, const FormState& form, const SettingRow& row) {
    if (row.saveRule != SaveRule::WhenStoredOrChanged)
        return false;
    if (row.encoding == Encoding::Flag)
        return !isSettingStored(settings, row.id) && form.checked(row.control) == row.defaultFlag;
    const std::optional<std::string> value = valueToWrite(form, row);
    if (!value)
        return true;
    if (!isSettingStored(settings, row.id))
        return *value == row.defaultText;
    // A stored spelling of the same choice ("starttls") stays as it was written.
    return row.encoding == Encoding::ItemValue &&
           settingItemOfValue(row, readSettingText(settings, row.id)) == form.itemIndex(row.control);
}

// Writes the rows of one action in table order; returns the first Required row whose control is empty (the
// save stops there), or nullptr. A FillWhenEmpty row makes defaultFolder first and puts it in an empty control.
const SettingRow* writeRows(SettingsFile& settings, FormState& form, SavedBy action,
                            const std::string& defaultFolder = {}) {
    for (const SettingRow& row : settingsTable()) {
        if (row.savedBy != action)
            continue;
        if (row.saveRule == SaveRule::Required && form.text(row.control).empty())
            return &row;
        if (skipsWrite(settings, form, row))
            continue;
        if (row.saveRule == SaveRule::FillWhenEmpty) {
            ensureFolder(defaultFolder);
            if (form.text(row.control).empty())
                form.setText(row.control, defaultFolder);
        }
        writeRow(settings, form, row);
    }
    return nullptr;
}

// Returns false when a required field was empty: its message was shown and the save stops there.
bool writeScheduleSettings(SettingsFile& settings, FormState& form, Dialogs& dialogs, const AppPaths& paths) {
    // An unticked box and an emptied field clear what was stored, so they do not come back at the next start.
    if (const SettingRow* empty = writeRows(settings, form, SavedBy::SaveSchedule, paths.dataPath("DefaultRestores"))) {
        dialogs.message(empty->requiredMessage);
        form.setFocus(empty->control);
        return false;
    }
    return true;
}

std::vector<std::string> mirrorCaptions(const FormState& form) {
    std::vector<std::string> captions;
    for (int i = 0; i < form.itemCount(controls::MirrorListView); ++i)
        captions.push_back(form.itemText(controls::MirrorListView, i));
    return captions;
}

} // namespace

bool storeSchedulePage(FormState& form, Dialogs& dialogs, const AppPaths& paths) {
    bool complete = withSettings(paths.settingsFile, [&](SettingsFile& settings) {
        return writeScheduleSettings(settings, form, dialogs, paths);
    });
    if (!complete)
        return false;
    ensureFolder(paths.dataPath("DefaultLogs") + kPathDelim);
    ensureFolder(paths.dataPath("DefaultBackups"));
    saveMirrorList(paths.join("Mirrors.lst"), mirrorCaptions(form));
    return true;
}

void saveSchedulePage(FormState& form, Dialogs& dialogs, const AppPaths& paths) {
    if (storeSchedulePage(form, dialogs, paths))
        form.minimize();
}

void writePageRows(SettingsFile& settings, const FormState& form, SavedBy page) {
    for (const SettingRow& row : settingsTable())
        if (row.savedBy == page && !skipsWrite(settings, form, row))
            writeRow(settings, form, row);
}

void saveConfigPage(FormState& form, const AppPaths& paths) {
    withSettings(paths.settingsFile, [&](SettingsFile& settings) { writeRows(settings, form, SavedBy::SaveConfig); });
}

} // namespace tervolen
