#include "core/headless_form.h"
#include "core/mirror_list_file.h"
#include "core/settings_pages.h"
#include "core/startup.h"
#include "core/unsaved_settings.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "test_config.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

const std::string kCasesDir = std::string(test::kSourceDir) + "/tests/core/settings_files";

struct EditCase {
    const char* name;
    std::function<void(FormState&)> edit;
    bool schedule; // the Schedule page counts as changed
    bool config;   // the Config page counts as changed
};

const EditCase kEdits[] = {
    {"nothing", [](FormState&) {}, false, false},
    {"the same folder typed again", [](FormState& f) { f.setText("eDirBackup", f.text("eDirBackup")); }, false, false},
    {"the database", [](FormState& f) { f.setText("eBase", "/data/other.fdb"); }, true, false},
    {"a required field emptied", [](FormState& f) { f.setText("EdServerName", ""); }, true, false},
    {"an hour ticked", [](FormState& f) { f.setItemChecked("clbHorarios", 5, true); }, true, false},
    {"a weekday unticked", [](FormState& f) { f.setItemChecked("clbSemana", 2, false); }, true, false},
    {"a mirror added", [](FormState& f) { f.addItem("MirrorListView", "/mnt/mirror"); }, true, false},
    {"the mail security chosen", [](FormState& f) { f.setItemIndex("CBSMTPSecurity", 1); }, true, false},
    {"the verbose box unticked", [](FormState& f) { f.setChecked("CheckVerbose", false); }, true, false},
    {"a backup option ticked", [](FormState& f) { f.setItemChecked("clListaBackup", 0, true); }, false, true},
    {"a backup option highlighted", [](FormState& f) { f.setItemIndex("clListaBackup", 3); }, false, false},
    {"compression ticked", [](FormState& f) { f.setChecked("ChkBoxCompress", true); }, false, true},
    {"a retention count", [](FormState& f) { f.setText("SpinKeepLast", "3"); }, false, true},
    {"both pages",
     [](FormState& f) {
         f.setText("CB_BkpExt", ".gbk");
         f.setItemChecked("clListaRestore", 4, false);
     },
     true, true},
};

class UnsavedSettingsTest : public ::testing::TestWithParam<EditCase> {
protected:
    // The form as start-up leaves it with the settings file of the recorded cases.
    void startWith(const std::string& caseFile) {
        std::filesystem::copy_file(kCasesDir + "/" + caseFile, paths.settingsFile);
        saveMirrorList(paths.join("Mirrors.lst"), {"/mnt/a"});
        loadSettingsIntoForm(form, paths, {});
    }

    bool scheduleChanged() const { return pageHasUnsavedChanges(form, paths, SavedBy::SaveSchedule); }
    bool configChanged() const { return pageHasUnsavedChanges(form, paths, SavedBy::SaveConfig); }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
};

TEST_P(UnsavedSettingsTest, AnEditCountsForItsPageUntilThePageIsSaved) {
    startWith("startup_example.ini");
    const std::string before = test::readFile(paths.settingsFile);
    GetParam().edit(form);
    EXPECT_EQ(scheduleChanged(), GetParam().schedule);
    EXPECT_EQ(configChanged(), GetParam().config);
    EXPECT_EQ(test::readFile(paths.settingsFile), before) << "asking writes nothing";

    test::ScriptedDialogs dialogs;
    if (storeSchedulePage(form, dialogs, paths)) {
        saveConfigPage(form, paths);
        EXPECT_FALSE(scheduleChanged());
        EXPECT_FALSE(configChanged());
    } else {
        EXPECT_TRUE(GetParam().schedule) << "only an emptied required field stops the save";
        EXPECT_TRUE(scheduleChanged());
    }
}

INSTANTIATE_TEST_SUITE_P(Edits, UnsavedSettingsTest, ::testing::ValuesIn(kEdits),
                         [](const ::testing::TestParamInfo<EditCase>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c != '\0'; ++c)
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

// Files that were never saved by this form, or were written in other spellings, hold what the pages show.
TEST(UnsavedSettingsFiles, NoFileOddSpellingsAndMissingKeysAreNoChanges) {
    for (const char* caseFile : {"", "empty.ini", "odd_letter_case.ini", "missing_keys.ini", "written_by_main.ini",
                                 "duplicated_keys.ini", "unknown_keys.ini", "lf_line_ends.ini", "odd_values.ini",
                                 "required_missing.ini", "language_chosen.ini"}) {
        SCOPED_TRACE(caseFile);
        test::TempDir dir;
        AppPaths paths{dir.path(), dir.file("tervolen.ini")};
        if (*caseFile != '\0')
            std::filesystem::copy_file(kCasesDir + "/" + caseFile, paths.settingsFile);
        HeadlessForm form;
        loadSettingsIntoForm(form, paths, {});
        EXPECT_FALSE(pageHasUnsavedChanges(form, paths, SavedBy::SaveSchedule));
        EXPECT_FALSE(pageHasUnsavedChanges(form, paths, SavedBy::SaveConfig));
    }
}

TEST(UnsavedSettingsFiles, TheSavedPagesLoadWithoutTouchingTheFile) {
    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    std::filesystem::copy_file(kCasesDir + "/startup_example.ini", paths.settingsFile);
    saveMirrorList(paths.join("Mirrors.lst"), {"/mnt/a", "/mnt/b"});
    const std::string before = test::readFile(paths.settingsFile);
    HeadlessForm saved;
    saved.addItem("MirrorListView", "/mnt/old");
    loadSavedPages(saved, paths);
    EXPECT_EQ(saved.text("eDirBackup"), "/backups");
    EXPECT_EQ(saved.text("CB_Protocol"), "LOCAL");
    EXPECT_TRUE(saved.itemChecked("clListaBackup", 1));
    EXPECT_EQ(saved.itemCount("MirrorListView"), 2);
    EXPECT_EQ(saved.itemText("MirrorListView", 1), "/mnt/b");
    EXPECT_EQ(test::readFile(paths.settingsFile), before);
}

} // namespace
} // namespace tervolen
