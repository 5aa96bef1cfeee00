#include "core/language_choice.h"

#include "core/settings_file.h"
#include "core/settings_table.h"

namespace tervolen {

const std::array<LanguageChoice, 5>& LanguageChoices() {
    static const std::array<LanguageChoice, 5> choices = {{
        {"LbEng", "&English", "enusa.lng", "There is no Today Scheduled Backup!"},
        {"LbPort", "&Português", "ptbr.lng", "Não existem Backups Agendados para hoje!"},
        {"LbDeu", "&Deutsche", "deu.lng", "Für heute ist keine Sicherung geplant!"},
        {"LbSpanol", "Spañ&ol", "span.lng", "¡No hay copias de seguridad programadas para hoy!"},
        {"LbRus", "&Rusky", "ru.lng", "На сегодня резервных копий не запланировано!"},
    }};
    return choices;
}

const LanguageChoice* LanguageByCaption(std::string_view caption) {
    for (const LanguageChoice& choice : LanguageChoices())
        if (caption == choice.caption)
            return &choice;
    return nullptr;
}

void ChooseLanguage(FormState& form, const std::string& settingsPath, const LanguageChoice& choice,
                    const ApplyLanguageFile& applyLanguageFile) {
    if (applyLanguageFile)
        applyLanguageFile(choice.file);
    WithSettings(settingsPath, [&](SettingsFile& settings) {
        WriteSettingText(settings, SettingId::Language, form.text(choice.label));
    });
}

namespace {

void ChooseByIndex(std::size_t index, FormState& form, const std::string& settingsPath,
                   const ApplyLanguageFile& applyLanguageFile) {
    ChooseLanguage(form, settingsPath, LanguageChoices()[index], applyLanguageFile);
}

} // namespace

void LbEngClick(FormState& form, const std::string& settingsPath, const ApplyLanguageFile& applyLanguageFile) {
    ChooseByIndex(0, form, settingsPath, applyLanguageFile);
}

void BtPortugesClick(FormState& form, const std::string& settingsPath, const ApplyLanguageFile& applyLanguageFile) {
    ChooseByIndex(1, form, settingsPath, applyLanguageFile);
}

void LbDeuClick(FormState& form, const std::string& settingsPath, const ApplyLanguageFile& applyLanguageFile) {
    ChooseByIndex(2, form, settingsPath, applyLanguageFile);
}

void LbSpanolClick(FormState& form, const std::string& settingsPath, const ApplyLanguageFile& applyLanguageFile) {
    ChooseByIndex(3, form, settingsPath, applyLanguageFile);
}

void LbRusClick(FormState& form, const std::string& settingsPath, const ApplyLanguageFile& applyLanguageFile) {
    ChooseByIndex(4, form, settingsPath, applyLanguageFile);
}

} // namespace tervolen
