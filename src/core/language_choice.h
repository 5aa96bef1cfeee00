#pragma once

#include "core/form_state.h"

#include <array>
#include <functional>
#include <string>
#include <string_view>

namespace tervolen {

// Applies a language file of the folder "Lang" to the window. It reports a file that cannot be read itself.
using ApplyLanguageFile = std::function<void(const std::string& fileName)>;

// One language of the Language tab.
struct LanguageChoice {
    const char* label;         // the label that chooses it
    const char* caption;       // the label's caption, the same in every language
    const char* file;          // its file in the folder "Lang"
    const char* noBackupToday; // its text of LbInfo
};

// English, Portuguese, German, Spanish and Russian, in the order of the Language tab.
const std::array<LanguageChoice, 5>& languageChoices();

// The language whose caption is exactly the given text, or nullptr.
const LanguageChoice* languageByCaption(std::string_view caption);

// A language label's click: applies the language's file, then stores the label's current caption in
// LANG/SetLang, also when the file could not be applied. Throws the settings file's errors.
void chooseLanguage(FormState& form, const std::string& settingsPath, const LanguageChoice& choice,
                    const ApplyLanguageFile& applyLanguageFile);

} // namespace tervolen
