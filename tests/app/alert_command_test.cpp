// The command after each run: what it finds in its environment and log after a good and a failed run, and a
// command that cannot be run.
#include "app/program.h"
#include "core/color.h"
#include "embedded_program_test.h"
#include "monitor_lines.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tervolen {
namespace {

class AlertCommandTest : public test::EmbeddedProgramTest {
protected:
    // A script that writes what it was given into dir/seen and says one line.
    std::string recordingScript() {
        const std::string script = dir.file("record env.sh");
        test::writeFile(script, "#!/bin/sh\n"
                                "{ echo \"args=$*\"; echo \"result=$TERVOLEN_RESULT\"; echo \"stamp=$TERVOLEN_STAMP\";\n"
                                "  echo \"backup=$TERVOLEN_BACKUP\"; echo \"archive=$TERVOLEN_ARCHIVE\";\n"
                                "  echo \"message=$TERVOLEN_MESSAGE\"; echo \"log:\"; cat \"$TERVOLEN_LOG\"; } > '" +
                                    dir.file("seen") + "'\necho recorded\n");
        ::chmod(script.c_str(), 0700);
        return "'" + script + "' \"two words\" '$HOME'";
    }

    void SetUp() override {
        clock.set(2026, 12, 9, 15, 30, 12);
        EmbeddedProgramTest::SetUp();
    }

    std::string lastLine() const { return test::monitorTexts(monitor).back(); }
};

TEST_F(AlertCommandTest, AfterAGoodRunTheCommandGetsTheBackupTheArchiveAndTheLog) {
    form.setText("EdAlertCommand", recordingScript());
    ASSERT_TRUE(program->runBackup(false).result);
    EXPECT_EQ(lastLine(), "Command after the run: exit 0: recorded");
    const std::string seen = test::readFile(dir.file("seen"));
    EXPECT_NE(seen.find("args=two words $HOME\n"), std::string::npos) << "split like a shell, nothing expanded";
    EXPECT_NE(seen.find("result=ok\nstamp=202612093015\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("backup=" + dir.file("backups/202612093015.fbk") + "\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("archive=" + dir.file("backups/202612093015.zip") + "\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("message=\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("Compressed Files: 1\n"), std::string::npos) << "the log holds the run's Monitor text";
}

TEST_F(AlertCommandTest, AfterAFailedRunTheCommandGetsTheFirstRedLine) {
    setDatabase(dir.file("missing.fdb"));
    form.setText("EdAlertCommand", recordingScript());
    program->runBackup(false);
    EXPECT_EQ(lastLine(), "Command after the run: exit 0: recorded");
    const std::string seen = test::readFile(dir.file("seen"));
    EXPECT_NE(seen.find("result=failed\n"), std::string::npos) << seen;
    EXPECT_NE(seen.find("archive=\n"), std::string::npos) << seen;
    EXPECT_EQ(seen.find("message=\n"), std::string::npos) << "the message names the failure: " << seen;
}

TEST_F(AlertCommandTest, ACommandThatCannotRunIsARedLineAndTheRunStaysGood) {
    form.setText("EdAlertCommand", dir.file("no-such-program"));
    EXPECT_TRUE(program->runBackup(false).result);
    EXPECT_NE(lastLine().find("no-such-program"), std::string::npos) << lastLine();
    EXPECT_EQ(monitor.paragraph(monitor.size() - 1).color, kRed);
}

} // namespace
} // namespace tervolen
