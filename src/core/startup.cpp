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

int ItemCountOf(const FormState& form, const SettingRow& row) {
    return row.itemKeys == ItemKeys::Weekdays ? 7 : form.itemCount(row.control);
}

void TickItems(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    for (int i = 0; i < ItemCountOf(form, row); ++i)
        form.setItemChecked(row.control, i,
                            ReadSettingItem(settings, row.id, ItemKey(row, i, form.itemText(row.control, i))));
}

void LoadWeekdays(FormState& form, const SettingsFile& settings, const SettingRow& row, const StartupHooks& hooks) {
    try {
        TickItems(form, settings, row);
    } catch (const std::exception& e) {
        if (hooks.addErrorLine)
            hooks.addErrorLine(ErrorCodeLine(ErrorCode::BackupStart, e.what()));
    }
}

void LoadLanguage(FormState& form, const SettingsFile& settings, const SettingRow& row, const StartupHooks& hooks) {
    if (!settings.readFlag(row.section, row.key, true))
        return;
    const LanguageChoice* language = LanguageByCaption(ReadSettingText(settings, row.id));
    if (language == nullptr)
        return;
    if (hooks.applyLanguageFile)
        hooks.applyLanguageFile(language->file);
    form.setText(controls::LbInfo, language->noBackupToday);
}

void LoadFlag(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    const bool value = ReadSettingFlag(settings, row.id);
    form.setChecked(row.control, value);
    for (const char* dependent : row.enables)
        if (dependent != nullptr)
            form.setEnabled(dependent, value);
}

// A Mark only ever ticks its box: an empty value leaves the box as it is.
void LoadMark(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    if (ReadSettingMark(settings, row.id))
        form.setChecked(row.control, true);
}

void LoadText(FormState& form, const SettingsFile& settings, const SettingRow& row) {
    const std::string value = ReadSettingText(settings, row.id);
    if (row.load == Load::Set || (row.load == Load::SetWhenStored && !value.empty()) ||
        (row.load == Load::SetUnlessZero && settings.readFlag(row.section, row.key, true)))
        form.setText(row.control, value);
}

void LoadRow(FormState& form, const SettingsFile& settings, const SettingRow& row, const StartupHooks& hooks) {
    if (row.load == Load::Never)
        return;
    if (row.load == Load::ChooseLanguage)
        return LoadLanguage(form, settings, row, hooks);
    switch (row.encoding) {
    case Encoding::Text:
        return LoadText(form, settings, row);
    case Encoding::Mark:
        return LoadMark(form, settings, row);
    case Encoding::Flag:
        return LoadFlag(form, settings, row);
    case Encoding::ItemFlags:
        return row.itemKeys == ItemKeys::Weekdays ? LoadWeekdays(form, settings, row, hooks)
                                                  : TickItems(form, settings, row);
    case Encoding::ItemIndex:
        return form.setItemIndex(row.control, ReadSettingText(settings, row.id) == "1" ? 1 : 0);
    }
}

void LoadMirrorListIntoForm(FormState& form, const AppPaths& paths) {
    auto entries = LoadMirrorList(paths.join("Mirrors.lst"));
    form.clearItems(controls::MirrorListView);
    for (const auto& entry : entries)
        form.addItem(controls::MirrorListView, entry.caption);
}

} // namespace

std::string HeaderCaption() {
    return "Quillon Systems Tervolen " + ReadFileVersion();
}

void LoadSettingsIntoForm(FormState& form, const AppPaths& paths, const StartupHooks& hooks) {
    WithSettings(paths.settingsFile, [&](SettingsFile& settings) {
        for (const SettingRow& row : SettingsTable())
            LoadRow(form, settings, row, hooks);
        LoadMirrorListIntoForm(form, paths);
    });
}

} // namespace tervolen
