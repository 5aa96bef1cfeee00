#pragma once

#include "core/form_state.h"
#include "core/paths.h"
#include "core/settings_file.h"
#include "core/settings_table.h"

#include <functional>
#include <string>

namespace tervolen {

// What loading the settings needs from the rest of the program.
struct StartupHooks {
    // Adds a red Monitor line of size 10 (a weekday flag could not be read).
    std::function<void(const std::string& text)> addErrorLine;
    // Applies a language file of the folder "Lang" ("enusa.lng", "ptbr.lng", "deu.lng", ...).
    std::function<void(const std::string& fileName)> applyLanguageFile;
};

// Loads every setting and the mirror list into the window's controls, in start-up order. The settings
// document is written back also when a step fails; the step's error then goes on to the caller.
void loadSettingsIntoForm(FormState& form, const AppPaths& paths, const StartupHooks& hooks);

// Loads one row of the table into its control as start-up does.
void loadSettingRow(FormState& form, const SettingsFile& settings, const SettingRow& row,
                    const StartupHooks& hooks = {});

// The caption of GradientHeaderPanel: "Quillon Systems Tervolen " and the version.
std::string headerCaption();

} // namespace tervolen
