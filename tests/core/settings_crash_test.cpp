#include "core/headless_form.h"
#include "core/posix_file.h"
#include "core/settings_pages.h"
#include "crash_harness.h"
#include "temp_dir.h"

#include <gtest/gtest.h>
#include <iostream>

namespace tervolen {
namespace {

using namespace std::chrono_literals;

constexpr const char* kSettingsName = "tervolen.ini";

// The Config page with one set of ticks and a command of textLength letters per item, so that a long text gives a
// file whose save takes some time; the two sets differ in every tick and in the command.
void setBackupOptions(HeadlessForm& form, int items, size_t textLength, bool variant) {
    std::string command;
    for (int i = 0; i < items; ++i) {
        form.setItemChecked("clListaBackup", i, (i % 2 == 0) == variant);
        command += std::string(textLength, static_cast<char>((variant ? 'a' : 'A') + i % 26));
    }
    form.setText("EdAlertCommand", command);
    form.setChecked("ChkBoxCompress", variant);
}

// Saving the Config page over a settings file that holds the old ticks: the file must always hold the old or
// the new text, and a hidden temporary may only be there while the save has not put the new text in place.
class SettingsCrash : public ::testing::Test {
protected:
    void prepare(int items, size_t textLength) {
        setBackupOptions(oldForm, items, textLength, false);
        setBackupOptions(newForm, items, textLength, true);
        saveConfigPage(newForm, paths);
        newText = test::readFile(paths.settingsFile);
        saveConfigPage(oldForm, paths);
        oldText = test::readFile(paths.settingsFile);
        ASSERT_TRUE(oldText != newText);
        saveConfigPage(newForm, paths);
        ASSERT_TRUE(test::readFile(paths.settingsFile) == newText) << "each save gives the same text";
        saveConfigPage(oldForm, paths);
    }

    void save() { saveConfigPage(newForm, paths); }

    // Where the kill landed, judged by what is on disk: "before" (old text, no temporary), "during" (old text and a
    // temporary) or "after" (new text). Anything else fails the test.
    std::string landing() {
        bool temporary = false;
        for (const std::string& name : test::listing(dir.path())) {
            if (isHiddenTemporary(name, kSettingsName))
                temporary = true;
            else
                EXPECT_EQ(name, kSettingsName) << "unexpected file";
        }
        const std::string text = test::readFile(paths.settingsFile);
        if (text == newText)
            return "after";
        EXPECT_TRUE(text == oldText) << "the settings file holds neither text: " << text.size() << " bytes";
        return temporary ? "during" : "before";
    }

    // landing() of a killed run; a run that ended by itself must have put the new text in place.
    std::string ending(test::RunEnd end) {
        const std::string where = landing();
        if (end == test::RunEnd::Killed)
            return where;
        EXPECT_EQ(where, "after");
        return "finished";
    }

    // The next save runs to its end and leaves the new text and nothing else; then the old text goes back.
    void nextRunAndReset() {
        save();
        EXPECT_TRUE(test::readFile(paths.settingsFile) == newText);
        EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{kSettingsName}) << "a temporary survived";
        reset();
    }

    void reset() { test::writeFile(paths.settingsFile, oldText); }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file(kSettingsName)};
    HeadlessForm oldForm;
    HeadlessForm newForm;
    std::string oldText;
    std::string newText;
};

TEST_F(SettingsCrash, KilledAtRandomMomentsTheFileIsOldOrNew) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    ASSERT_NO_FATAL_FAILURE(prepare(2, 128 * 1024)); // a file of 256 kB
    test::KillTally tally;
    test::killAtRandomMoments(
        "settings save", [&] { save(); }, [&] { reset(); },
        [&](test::RunEnd end) {
            tally.add(ending(end));
            nextRunAndReset();
        },
        [&] { return tally.text(); });
    if (HasFailure())
        return;
    EXPECT_GT(tally.count("during"), 0) << "no kill landed while the temporary was written";
}

TEST_F(SettingsCrash, KilledAtEverySystemCallTheFileIsOldOrNew) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    ASSERT_NO_FATAL_FAILURE(prepare(4, 16));
    test::KillTally tally;
    bool killedRightAfterRename = false;
    const int calls =
        test::killAtEverySystemCall([&] { save(); },
                                    [&](const test::TracedKill& kill) {
                                        const std::string where = ending(kill.end);
                                        tally.add(where);
                                        // Between the rename and the flush of the folder: the new file is already in
                                        // place.
                                        if (kill.end == test::RunEnd::Killed && test::putsFileInPlace(kill.lastCall)) {
                                            killedRightAfterRename = true;
                                            EXPECT_EQ(where, "after");
                                        }
                                        ASSERT_NO_FATAL_FAILURE(nextRunAndReset());
                                    });
    std::cout << "settings save: " << calls << " system calls, killed at each (" << tally.text() << ")\n";
    if (HasFailure())
        return;
    EXPECT_TRUE(killedRightAfterRename);
    EXPECT_GT(tally.count("during"), 0);
}

// A kill keeps the page cache, so the tests above would pass without any flush; a power cut does not.
TEST_F(SettingsCrash, SaveFlushesTheNewFileBeforeItsRenameAndTheFolderAfter) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    ASSERT_NO_FATAL_FAILURE(prepare(4, 16));
    test::RunEnd end = test::RunEnd::Failed;
    const std::vector<test::SystemCall> calls = test::traceSystemCalls([&] { save(); }, &end);
    ASSERT_EQ(end, test::RunEnd::Finished);
    test::expectPutInPlaceDurably(calls, paths.settingsFile);
}

} // namespace
} // namespace tervolen
