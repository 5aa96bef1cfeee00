#include "app/monitor_page_handlers.h"
#include "app/schedule_page_handlers.h"

#include "core/errors.h"
#include "core/headless_form.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tervolen {
namespace {

using test::readFile;
using test::ScriptedDialogs;
using test::TempDir;

class PageHandlersTest : public ::testing::Test {
protected:
    PageHandlersTest() : paths{dir.path(), dir.file("tervolen.ini")} {
        std::filesystem::create_directory(dir.file("DefaultLogs"));
    }

    bool defaultLogsIsEmpty() const { return std::filesystem::is_empty(dir.file("DefaultLogs")); }

    TempDir dir;
    AppPaths paths;
    MonitorLog log;
    ScriptedDialogs dialogs;
};

TEST_F(PageHandlersTest, EmptyLogIsNotSaved) {
    dialogs.paths.push_back(dir.file("DefaultLogs/log.rtf"));

    onSaveMonitorLog(log, dialogs, paths);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "information");
    EXPECT_EQ(dialogs.shown[0].text, "Não exitem dados para serem salvos em log");
    EXPECT_TRUE(defaultLogsIsEmpty());
}

TEST_F(PageHandlersTest, ChosenPathReceivesTheLog) {
    log.addMonitorLine("=========== Restore Started ===========", kFuchsia, kMonitorLineSize);
    dialogs.paths.push_back(dir.file("DefaultLogs/restore log"));

    onSaveMonitorLog(log, dialogs, paths);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "save");
    EXPECT_EQ(dialogs.shown[0].text, dir.path() + "/DefaultLogs/");
    std::string saved = readFile(dir.file("DefaultLogs/restore log"));
    EXPECT_EQ(saved.rfind("{\\rtf1", 0), 0u);
    EXPECT_NE(saved.find("=========== Restore Started ===========\\par"), std::string::npos);
}

TEST_F(PageHandlersTest, CancelSavesNothing) {
    log.addMonitorLine("line", kGreen, kMonitorLineSize);

    onSaveMonitorLog(log, dialogs, paths);

    EXPECT_EQ(dialogs.texts("save").size(), 1u);
    EXPECT_TRUE(defaultLogsIsEmpty());
}

TEST_F(PageHandlersTest, SaveIntoMissingFolderRaisesTheFileCreationError) {
    log.addMonitorLine("line", kGreen, kMonitorLineSize);
    dialogs.paths.push_back(dir.file("gone/log.rtf"));

    EXPECT_THROW(onSaveMonitorLog(log, dialogs, paths), Error);
}

TEST_F(PageHandlersTest, TickingAutoSaveSwitchesToTheDefaultLogsFolder) {
    HeadlessForm form;
    form.onClick("CheckBackupLog", [&] { onAutomaticLogToggled(form, paths); });
    ASSERT_FALSE(form.enabled("LogFileEdit"));
    ASSERT_TRUE(form.enabled("BtSaveBkpLog"));

    form.setChecked("CheckBackupLog", true);
    EXPECT_TRUE(form.enabled("LogFileEdit"));
    EXPECT_FALSE(form.enabled("BtSaveBkpLog"));
    EXPECT_EQ(form.text("LogFileEdit"), dir.path() + "/DefaultLogs/");

    form.setChecked("CheckBackupLog", false);
    EXPECT_FALSE(form.enabled("LogFileEdit"));
    EXPECT_TRUE(form.enabled("BtSaveBkpLog"));
    EXPECT_EQ(form.text("LogFileEdit"), "");
}

} // namespace
} // namespace tervolen
