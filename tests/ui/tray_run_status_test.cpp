// The notification-area icon after real backup runs in the window: its state, its hint and the notification of a
// failed run, with the program behind the window as the GUI entry point puts them together.
#include "app/program.h"
#include "core/monitor_log.h"
#include "core/run_journal.h"
#include "core/settings_file.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "qt_application.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"
#include "test_config.h"
#include "ui/language_loader.h"
#include "ui/main_window.h"
#include "ui/tray_icon.h"

#include <QAbstractButton>
#include <QAction>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

namespace tervolen {
namespace {

const std::string kLangFolder = std::string(test::kBinaryDir) + "/Lang";

using Notices = std::vector<std::pair<std::string, std::string>>;

// The window, told that a notification area exists, with the program and the language loader behind it.
class TrayWindow {
public:
    explicit TrayWindow(test::FixedClock& clock) : clock_(clock) {
        QObject::connect(&tray(), &TrayIcon::notified, &window, [this](const QString& title, const QString& message) {
            notices.emplace_back(title.toStdString(), message.toStdString());
        });
    }

    void start() {
        Program::Options options;
        options.registerAutostart = false;
        options.applyLanguageFile = [this](const std::string& file) { languages.apply(file); };
        options.translate = [this](const std::string& text) { return languages.translate(text); };
        options.showRunStatus = [this](const TrayStatus& status) { tray().showRunStatus(status); };
        options.notify = [this](const TrayNotice& notice) { tray().notify(notice); };
        program = std::make_unique<Program>(
            window.formState(), dialogs, monitor, paths, clock_, [] {}, std::move(options));
        program->startup();
    }

    // Backs up a copy of the private server's database through embedded access, or the database at path.
    void setUpBackups(const std::string& database = {}) {
        const test::FirebirdServer& server = test::theFirebirdServer();
        if (database.empty() && !std::filesystem::exists(dir.file("source.fdb")))
            std::filesystem::copy_file(server.embeddedDatabase, dir.file("source.fdb"));
        withSettings(paths.settingsFile, [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", database.empty() ? dir.file("source.fdb") : database);
            s.writeText("DIRECTORYS", "BackUpDir", dir.file("backups"));
        });
        FormState& form = window.formState();
        form.setText("eBase", database.empty() ? dir.file("source.fdb") : database);
        form.setText("eDirBackup", dir.file("backups"));
        form.setText("CB_Protocol", "LOCAL");
        form.setText("ClientLibFilenameEdit", server.clientLibrary);
        form.setText("EdUserName", "SYSDBA");
        form.setText("CB_BkpExt", ".fbk");
        form.setText("CB_ChooseSGDBVer", "Firebird 3.0");
        form.setText("EdServerName", "localhost");
        form.setText("EdPswd", "masterkey");
    }

    // The tray menu's "Start &Backup", as the user starts a run while the window hides; the fields set here are
    // saved first when the program asks.
    void startBackupFromTray() {
        dialogs.answers = {Dialogs::Answer::Yes};
        window.findChild<QAction*>("StartBackup1")->trigger();
    }

    std::vector<RunRecord> journal() const { return readRunJournal(runJournalPath(paths.settingsFile)); }
    TrayIcon& tray() { return window.trayIcon(); }
    std::string toolTip() { return tray().toolTip().toStdString(); }

    test::TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    test::ScriptedDialogs dialogs;
    MonitorLog monitor;
    MainWindow window{monitor, dialogs, [] { return true; }};
    LanguageLoader languages{window, kLangFolder, dialogs};
    std::unique_ptr<Program> program;
    Notices notices;

private:
    test::FixedClock& clock_;
};

// The badge's middle in the lower right corner is red on the failed icon only.
bool badgeIsRed(const QIcon& icon) {
    const QImage image = icon.pixmap(32, 32).toImage();
    const QColor middle = image.pixelColor(23, 23);
    return middle.red() > 180 && middle.green() < 80 && middle.blue() < 80;
}

RunRecord run(const std::string& ended, const std::string& result, const std::string& error = {}) {
    RunRecord record;
    record.started = ended;
    record.ended = ended;
    record.origin = "schedule";
    record.result = result;
    record.error = error;
    return record;
}

TEST(TrayRunStatus, AtStartTheJournalsLastRunSpeaksWithoutANotification) {
    const struct {
        const char* name;
        std::vector<RunRecord> journal;
        bool failed;
        std::string toolTip;
    } cases[] = {
        {"no journal", {}, false, "No good backup yet"},
        {"good", {run("2026-12-10 03:00:00", "ok")}, false, "Last good backup: 2026-12-10 03:00 (5 h ago)"},
        {"good then failed",
         {run("2026-12-10 03:00:00", "ok"), run("2026-12-10 07:00:00", "failed", "Cannot open file")},
         true,
         "Last good backup: 2026-12-10 03:00 (5 h ago)\nLast run failed: Cannot open file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::FixedClock clock;
        clock.set(2026, 12, 10, 8, 0);
        TrayWindow tray(clock);
        for (const RunRecord& record : c.journal)
            appendRunRecord(runJournalPath(tray.paths.settingsFile), record);
        tray.start();
        EXPECT_EQ(tray.tray().showsFailure(), c.failed);
        EXPECT_EQ(badgeIsRed(tray.tray().icon()), c.failed);
        EXPECT_EQ(tray.toolTip(), c.toolTip);
        EXPECT_TRUE(tray.notices.empty());
    }
}

TEST(TrayRunStatus, AGoodRunAgesAFailedOneTurnsRedAndNotifiesAndTheNextGoodOneClearsIt) {
    test::FixedClock clock;
    clock.set(2026, 12, 10, 8, 0);
    TrayWindow tray(clock);
    tray.start();
    tray.setUpBackups();

    tray.startBackupFromTray();
    ASSERT_EQ(tray.journal().size(), 1u);
    ASSERT_EQ(tray.journal().back().result, "ok") << tray.journal().back().error;
    EXPECT_FALSE(tray.tray().showsFailure());
    EXPECT_FALSE(badgeIsRed(tray.tray().icon()));
    EXPECT_EQ(tray.toolTip(), "Last good backup: 2026-12-10 08:00 (0 min ago)");
    EXPECT_TRUE(tray.notices.empty());

    // What the window's minute timer does.
    clock.set(2026, 12, 10, 10, 30);
    tray.program->refreshRunStatus();
    EXPECT_EQ(tray.toolTip(), "Last good backup: 2026-12-10 08:00 (2 h ago)");

    tray.setUpBackups(tray.dir.file("missing.fdb"));
    tray.startBackupFromTray();
    ASSERT_EQ(tray.journal().size(), 2u);
    const RunRecord failed = tray.journal().back();
    ASSERT_EQ(failed.result, "failed");
    ASSERT_FALSE(failed.error.empty());
    EXPECT_TRUE(tray.tray().showsFailure());
    EXPECT_TRUE(badgeIsRed(tray.tray().icon()));
    EXPECT_EQ(tray.toolTip(), "Last good backup: 2026-12-10 08:00 (2 h ago)\nLast run failed: " + failed.error);
    EXPECT_EQ(tray.notices, (Notices{{"Tervolen: the backup failed", failed.error}}));

    // A language chosen afterwards speaks at once, not at the next minute.
    tray.window.findChild<QAbstractButton*>("LbDeu")->click();
    EXPECT_EQ(tray.toolTip(),
              "Letzte gute Sicherung: 2026-12-10 08:00 (vor 2 Std.)\nLetzter Lauf fehlgeschlagen: " + failed.error);

    clock.set(2026, 12, 10, 11, 0);
    tray.setUpBackups();
    tray.startBackupFromTray();
    ASSERT_EQ(tray.journal().back().result, "ok") << tray.journal().back().error;
    EXPECT_FALSE(tray.tray().showsFailure());
    EXPECT_FALSE(badgeIsRed(tray.tray().icon()));
    EXPECT_EQ(tray.toolTip(), "Letzte gute Sicherung: 2026-12-10 11:00 (vor 0 Min.)");
    EXPECT_EQ(tray.notices.size(), 1u);
}

} // namespace
} // namespace tervolen
