// The run reports by e-mail, by the whole program against the embedded engine and aiosmtpd: which runs mail one,
// what the failure report holds, and a report that cannot be sent.
#include "app/program.h"
#include "core/color.h"
#include "core/host_name.h"
#include "embedded_program_test.h"
#include "monitor_lines.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_config.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

class RunReportTest : public test::EmbeddedProgramTest {
protected:
    void SetUp() override {
        clock.set(2026, 12, 9, 15, 30, 12);
        EmbeddedProgramTest::SetUp();
        form.setText("ledHost", "127.0.0.1");
        form.setText("EdSMTPPort", std::to_string(sink.port()));
        form.setText("ledFrom", "backup@example.com");
        form.setText("ledTo", "dba@example.com");
    }

    int messagesReceived() const {
        int count = 0;
        while (fs::exists(sink.messagePath(count + 1, ".eml")))
            ++count;
        return count;
    }

    std::string inspect(int n) const {
        std::string output;
        EXPECT_EQ(test::runCommand(std::string(test::kPython3) + " " + test::kSourceDir +
                                       "/tests/support/mail_inspect.py --subject '" + sink.messagePath(n, ".eml") + "'",
                                   &output),
                  0)
            << output;
        return output;
    }

    std::string subject(const char* result) const {
        return "subject: \"Tervolen: backup " + std::string(result) + " on " + localHostName() + " (" +
               form.text("eBase") + ")\"";
    }

    test::TempDir mail;
    test::SmtpSink sink{mail.path()};
};

TEST_F(RunReportTest, OnlyTheRunsTheFlagsAskForMailAReport) {
    const struct {
        bool onFailure, onSuccess, failedRun;
        int mailed;
    } cases[] = {
        {false, false, true, 0}, {true, false, true, 1}, {true, false, false, 0},
        {false, true, false, 1}, {false, true, true, 0}, {true, true, false, 1},
    };
    int expected = 0;
    int minute = 30;
    for (const auto& c : cases) {
        setDatabase(c.failedRun ? dir.file("missing.fdb") : dir.file("source.fdb"));
        form.setChecked("ChkBoxMailOnFailure", c.onFailure);
        form.setChecked("ChkBoxMailOnSuccess", c.onSuccess);
        clock.set(2026, 12, 9, 15, ++minute, 12);
        program->runBackup(false);
        expected += c.mailed;
        EXPECT_EQ(messagesReceived(), expected) << c.onFailure << c.onSuccess << c.failedRun;
    }
}

TEST_F(RunReportTest, TheFailureReportIsTheMonitorTextWithoutAttachment) {
    setDatabase(dir.file("missing.fdb"));
    form.setChecked("ChkBoxMailOnFailure", true);
    form.setChecked("ChkBoxBkpMail", true);
    program->runBackup(false);
    ASSERT_EQ(messagesReceived(), 1);
    const std::string report = inspect(1);
    EXPECT_NE(report.find(subject("FAILED")), std::string::npos) << report;
    EXPECT_NE(report.find("part text/plain"), std::string::npos) << report;
    EXPECT_EQ(report.find("filename=2"), std::string::npos) << "no attachment: " << report;
    EXPECT_NE(report.find("missing.fdb"), std::string::npos) << "the body holds the server's error: " << report;
    EXPECT_EQ(test::monitorTexts(monitor).back().rfind("Run report mailed: Tervolen: backup FAILED", 0), 0u);
}

TEST_F(RunReportTest, TheShortReportOfAGoodRunNamesWhatItMade) {
    form.setChecked("ChkBoxMailOnSuccess", true);
    ASSERT_TRUE(program->runBackup(false).result);
    ASSERT_EQ(messagesReceived(), 1);
    const std::string report = inspect(1);
    EXPECT_NE(report.find(subject("ok")), std::string::npos) << report;
    EXPECT_NE(report.find("Backup: " + dir.file("backups/202612093015.fbk")), std::string::npos) << report;
    EXPECT_NE(report.find("Archive: " + dir.file("backups/202612093015.zip")), std::string::npos) << report;
}

// Whatever keeps the report from going out is a red line; the command after it still runs and the run's result
// and journal stay what the backup made them.
TEST_F(RunReportTest, AReportThatCannotBeSentIsARedLineAndTheCommandStillRuns) {
    const std::string script = dir.file("ran.sh");
    test::writeFile(script, "#!/bin/sh\necho \"$TERVOLEN_RESULT\" > '" + dir.file("ran") + "'\n");
    ::chmod(script.c_str(), 0700);
    form.setText("EdAlertCommand", script);
    form.setChecked("ChkBoxMailOnSuccess", true);
    const struct {
        const char* field;
        std::string value;
        const char* reason;
    } cases[] = {
        {"EdSMTPPort", "1", "Connection refused"},
        {"EdSMTPPort", "twenty-five", "twenty-five"},
        {"ledHost", "", "the host is empty"},
        {"ledTo", "", "To and CC are empty"},
    };
    int minute = 30;
    for (const auto& c : cases) {
        const std::string kept = form.text(c.field);
        form.setText(c.field, c.value);
        clock.set(2026, 12, 9, 15, ++minute, 12);
        EXPECT_TRUE(program->runBackup(false).result) << c.field;
        form.setText(c.field, kept);
        // The error may take more than one line; the command's line comes after them.
        const std::vector<std::string> texts = test::monitorTexts(monitor);
        const auto first = std::find_if(texts.begin(), texts.end(), [](const std::string& text) {
            return text.rfind("The run report could not be mailed: ", 0) == 0;
        });
        ASSERT_NE(first, texts.end()) << testing::PrintToString(texts);
        std::string failure;
        for (auto line = first; line + 1 != texts.end(); ++line)
            failure += *line + "\n";
        EXPECT_NE(failure.find(c.reason), std::string::npos) << failure;
        EXPECT_EQ(monitor.paragraph(static_cast<std::size_t>(first - texts.begin())).color, kRed);
        EXPECT_EQ(texts.back().rfind("Command after the run: exit 0", 0), 0u) << texts.back();
        EXPECT_EQ(test::readFile(dir.file("ran")), "ok\n");
        fs::remove(dir.file("ran"));
    }
    EXPECT_EQ(messagesReceived(), 0);
}

} // namespace
} // namespace tervolen
