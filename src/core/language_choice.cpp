#include "core/language_choice.h"

#include "core/control_names.h"
#include "core/settings_file.h"
#include "core/settings_table.h"

namespace tervolen {

const std::array<LanguageChoice, 5>& languageChoices() {
    static const std::array<LanguageChoice, 5> choices = {{
        {controls::LbEng, "&English", "enusa.lng", "There is no Today Scheduled Backup!"},
        {controls::LbPort, "&Português", "ptbr.lng", "Não existem Backups Agendados para hoje!"},
        {controls::LbDeu, "&Deutsche", "deu.lng", "Für heute ist keine Sicherung geplant!"},
        {controls::LbSpanol, "Spañ&ol", "span.lng", "¡No hay copias de seguridad programadas para hoy!"},
        {controls::LbRus, "&Rusky", "ru.lng", "На сегодня резервных копий не запланировано!"},
    }};
    return choices;
}

const LanguageChoice* languageByCaption(std::string_view caption) {
    for (const LanguageChoice& choice : languageChoices())
        if (caption == choice.caption)
            return &choice;
    return nullptr;
}

void chooseLanguage(FormState& form, const std::string& settingsPath, const LanguageChoice& choice,
                    const ApplyLanguageFile& applyLanguageFile) {
    if (applyLanguageFile)
        applyLanguageFile(choice.file);
    withSettings(settingsPath, [&](SettingsFile& settings) {
        writeSettingText(settings, SettingId::Language, form.text(choice.label));
    });
}

namespace {

} // namespace

} // namespace tervolen
