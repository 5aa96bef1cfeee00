// Start Backup with edits on the Schedule and Config pages that were not saved: what each answer to the question
// stores and which settings the backup runs with.
#include "embedded_program_test.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tervolen {
namespace {

class UnsavedPagesTest : public test::EmbeddedProgramTest,
                         public ::testing::WithParamInterface<Dialogs::Answer> {
protected:
    void SetUp() override {
        clock.set(2026, 12, 9, 15, 30, 12);
        EmbeddedProgramTest::SetUp();
        form.setText("CB_ChooseSGDBVer", "Firebird 3.0");
        form.setText("EdServerName", "localhost");
        form.setText("EdPswd", "masterkey");
        form.click("TranspButOkSchedule");
        form.click("TranspButOKConfig");
        ASSERT_TRUE(dialogs.shown.empty()) << dialogs.shown.front().kind << ": " << dialogs.shown.front().text;
    }

    int filesEndingIn(const std::string& extension) const {
        int count = 0;
        if (std::filesystem::is_directory(dir.file("backups")))
            for (const auto& entry : std::filesystem::directory_iterator(dir.file("backups")))
                count += entry.path().extension() == extension ? 1 : 0;
        return count;
    }
    std::string stored(const char* section, const char* key) const {
        return SettingsFile::openSettings(paths.settingsFile).readText(section, key, "");
    }
};

TEST_F(UnsavedPagesTest, WithoutChangesNoQuestionIsAsked) {
    form.click("LbStartBackup");
    EXPECT_TRUE(dialogs.texts("yesnocancel").empty());
    EXPECT_EQ(filesEndingIn(".fbk"), 1);
    EXPECT_EQ(filesEndingIn(".zip"), 1);
}

TEST_P(UnsavedPagesTest, TheAnswerDecidesWhatIsSavedAndWhatTheBackupUses) {
    form.setText("CB_BkpExt", ".gbk");
    form.setChecked("ChkBoxCompress", false);
    dialogs.answers.push_back(GetParam());
    form.click("LbStartBackup");

    EXPECT_EQ(dialogs.texts("yesnocancel"), std::vector<std::string>{Program::kUnsavedPages});
    const bool saved = GetParam() == Dialogs::Answer::Yes;
    const bool ran = GetParam() != Dialogs::Answer::Cancel;
    EXPECT_EQ(stored("BKPEXT", "Ext"), saved ? ".gbk" : ".fbk");
    EXPECT_EQ(stored("COMPRESSION", "Checked"), saved ? "0" : "1");
    EXPECT_EQ(filesEndingIn(".gbk"), ran && saved ? 1 : 0);
    EXPECT_EQ(filesEndingIn(".fbk"), ran && !saved ? 1 : 0);
    EXPECT_EQ(filesEndingIn(".zip"), ran && !saved ? 1 : 0);
    EXPECT_EQ(form.text("CB_BkpExt"), ".gbk") << "the edits stay on the page";
    EXPECT_FALSE(form.checked("ChkBoxCompress"));
}

INSTANTIATE_TEST_SUITE_P(Answers, UnsavedPagesTest,
                         ::testing::Values(Dialogs::Answer::Yes, Dialogs::Answer::No, Dialogs::Answer::Cancel));

} // namespace
} // namespace tervolen
