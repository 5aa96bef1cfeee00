// Each settings file of tests/core/settings_files is loaded at start-up into a HeadlessForm, then saved with
// Save Schedule, Save Config and a language choice; the controls after start-up and the file's bytes after
// each step must equal the recorded files of tests/core/settings_files/expected byte for byte.
// TERVOLEN_RECORD_SETTINGS=1 writes the expected files instead of comparing (only for a new case).

#include "core/headless_form.h"
#include "core/language_choice.h"
#include "core/settings_pages.h"
#include "core/startup.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "test_config.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

const std::string kCasesDir = std::string(test::kSourceDir) + "/tests/core/settings_files";

// Every case file; "no_file" starts without a settings file.
const char* const kCases[] = {
    "no_file",      "empty",        "startup_example", "written_by_main", "odd_letter_case",  "duplicated_keys",
    "missing_keys", "unknown_keys", "odd_values",      "lf_line_ends",    "required_missing", "language_chosen",
};

const char* const kTexts[] = {
    "eBase",       "eDirBackup",  "CB_ChooseSGDBVer", "CB_Protocol", "EdServerName", "ClientLibFilenameEdit",
    "EdUserName",  "EdPswd",      "CB_BkpExt",        "EditRestore", "LbInfo",       "LedFTPAdress",
    "LedUserName", "LedPassword", "LedFTPPort",       "ledHost",     "EdSMTPPort",   "ledFrom",
    "ledTo",       "ledCC",       "EdSMTPUser",       "EdSMTPpswd"};
const char* const kBoxes[] = {"CheckVerbose", "CheckBackupLog", "ChkBoxCompress", "ChkBoxSentFTP", "ChkBoxBkpMail"};
const char* const kLists[] = {"clbSemana", "clbHorarios", "clListaBackup", "clListaRestore"};

std::string formDump(const HeadlessForm& form, const std::vector<std::string>& languages,
                     const test::ScriptedDialogs& dialogs) {
    std::string dump;
    for (const char* control : kTexts)
        dump += std::string(control) + " text=" + form.text(control) + "\n";
    for (const char* control : kBoxes)
        dump += std::string(control) + " checked=" + (form.checked(control) ? "1" : "0") + "\n";
    for (const char* list : kLists) {
        dump += std::string(list) + " ticked=";
        for (int i = 0; i < form.itemCount(list); ++i)
            dump += form.itemChecked(list, i) ? "1" : "0";
        dump += "\n";
    }
    dump += "CBCompMetho index=" + std::to_string(form.itemIndex("CBCompMetho")) + "\n";
    dump += std::string("CBCompMetho enabled=") + (form.enabled("CBCompMetho") ? "1" : "0") + "\n";
    dump += std::string("CBCompMethoLevel enabled=") + (form.enabled("CBCompMethoLevel") ? "1" : "0") + "\n";
    for (const auto& language : languages)
        dump += "language file=" + language + "\n";
    for (const auto& shown : dialogs.shown)
        dump += "dialog " + shown.kind + "=" + shown.text + "\n";
    dump += std::string("focused=") + form.focused() + "\n";
    dump += std::string("minimized=") + (form.minimized() ? "1" : "0") + "\n";
    return dump;
}

// The temporary folder's path stands as "@DIR@", so the recorded files do not depend on it.
std::string withPlaceholder(std::string text, const std::string& dir) {
    for (size_t at = text.find(dir); at != std::string::npos; at = text.find(dir, at))
        text.replace(at, dir.size(), "@DIR@");
    return text;
}

void checkOrRecord(const std::string& name, const std::string& actual) {
    const std::string path = kCasesDir + "/expected/" + name;
    if (std::getenv("TERVOLEN_RECORD_SETTINGS") != nullptr) {
        fs::create_directories(kCasesDir + "/expected");
        test::writeFile(path, actual);
        return;
    }
    ASSERT_TRUE(fs::exists(path)) << path;
    EXPECT_EQ(test::readFile(path), actual) << path;
}

class SettingsRoundTrip : public ::testing::TestWithParam<const char*> {};

TEST_P(SettingsRoundTrip, LoadsAndSavesToTheRecordedBytes) {
    const std::string name = GetParam();
    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    if (fs::exists(kCasesDir + "/" + name + ".ini"))
        test::writeFile(paths.settingsFile, test::readFile(kCasesDir + "/" + name + ".ini"));
    HeadlessForm form;
    std::vector<std::string> languages;
    test::ScriptedDialogs dialogs;
    const auto fileNow = [&] { return withPlaceholder(test::readFile(paths.settingsFile), dir.path()); };

    loadSettingsIntoForm(form, paths, {{}, [&](const std::string& file) { languages.push_back(file); }});
    checkOrRecord(name + ".form.txt", withPlaceholder(formDump(form, languages, dialogs), dir.path()));
    checkOrRecord(name + ".startup.ini", fileNow());

    saveSchedulePage(form, dialogs, paths);
    checkOrRecord(name + ".schedule.ini", fileNow());
    checkOrRecord(name + ".schedule.form.txt", withPlaceholder(formDump(form, languages, dialogs), dir.path()));

    saveConfigPage(form, paths);
    checkOrRecord(name + ".config.ini", fileNow());

    chooseLanguage(form, paths.settingsFile, languageChoices()[2], {});
    checkOrRecord(name + ".language.ini", fileNow());
}

INSTANTIATE_TEST_SUITE_P(Files, SettingsRoundTrip, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

} // namespace
} // namespace tervolen
