#include "core/startup.h"

#include "core/control_names.h"
#include "core/error_codes.h"
#include "core/language_choice.h"
#include "core/mirror_list_file.h"
#include "core/settings_file.h"
#include "core/settings_table.h"
#include "core/version.h"

namespace tervolen {

namespace {

int itemCountOf(const FormState& form, const SettingRow& row) {
    return row.itemKeys == ItemKeys::Weekdays ? 7 : form.itemCount(row.control);
}

void tickItems(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    for (int i = 0; i < itemCountOf(form, row); ++i)
        form.setItemChecked(row.control, i,
                            readSettingItem(settings, row.id, itemKey(row, i, form.itemText(row.control, i))));
}

void loadWeekdays(FormState& form, const SettingsFile& settings, const SettingRow& row, const StartupHooks& hooks) {
    try {
        tickItems(form, settings, row);
    } catch (const std::exception& e) {
        if (hooks.addErrorLine)
            hooks.addErrorLine(errorCodeLine(ErrorCode::BackupStart, e.what()));
    }
}

void loadLanguage(FormState& form, const SettingsFile& settings, const SettingRow& row, const StartupHooks& hooks) {
    if (!settings.readFlag(row.section, row.key, true))
        return;
    const LanguageChoice* language = languageByCaption(readSettingText(settings, row.id));
    if (language == nullptr)
        return;
    if (hooks.applyLanguageFile)
        hooks.applyLanguageFile(language->file);
    form.setText(controls::LbInfo, language->noBackupToday);
}

void loadFlag(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    const bool value = readSettingFlag(settings, row.id);
    form.setChecked(row.control, value);
    for (const char* dependent : row.enables)
        if (dependent != nullptr)
            form.setEnabled(dependent, value);
}

// A Mark only ever ticks its box: an empty value leaves the box as it is.
void loadMark(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    if (readSettingMark(settings, row.id))
        form.setChecked(row.control, true);
}

void loadText(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    const std::string value = readSettingText(settings, row.id);
    if (row.load == Load::Set || (row.load == Load::SetWhenStored && !value.empty()) ||
        (row.load == Load::SetUnlessZero && settings.readFlag(row.section, row.key, true)))
        form.setText(row.control, value);
}

} // namespace

void loadSettingRow(FormState& form, const SettingsFile& settings, const SettingRow& row, const StartupHooks& hooks) {
    if (row.load == Load::Never)
        return;
    if (row.load == Load::ChooseLanguage)
        return loadLanguage(form, settings, row, hooks);
    switch (row.encoding) {
    case Encoding::Text:
        return loadText(form, settings, row);
    case Encoding::Mark:
        return loadMark(form, settings, row);
    case Encoding::Flag:
        return loadFlag(form, settings, row);
    case Encoding::ItemFlags:
        return row.itemKeys == ItemKeys::Weekdays ? loadWeekdays(form, settings, row, hooks)
                                                  : tickItems(form, settings, row);
    case Encoding::ItemIndex:
        return form.setItemIndex(row.control, readSettingText(settings, row.id) == "1" ? 1 : 0);
    case Encoding::ItemValue:
        return form.setItemIndex(row.control, settingItemOfValue(row, readSettingText(settings, row.id)));
    }
}

namespace {

void loadMirrorListIntoForm(FormState& form, const AppPaths& paths) {
    auto entries = loadMirrorList(paths.join("Mirrors.lst"));
    form.clearItems(controls::MirrorListView);
    for (const auto& entry : entries)
        form.addItem(controls::MirrorListView, entry.caption);
}

} // namespace

std::string headerCaption() {
    return "Quillon Systems Tervolen " + readFileVersion();
}

void loadSettingsIntoForm(FormState& form, const AppPaths& paths, const StartupHooks& hooks) {
    withSettings(paths.settingsFile, [&](SettingsFile& settings) {
        for (const SettingRow& row : settingsTable())
            loadSettingRow(form, settings, row, hooks);
        loadMirrorListIntoForm(form, paths);
    });
}

} // namespace tervolen
