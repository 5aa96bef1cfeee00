// What the notification-area icon shows of the journal: a table of journals, each with its state and hint.
#include "core/tray_status.h"

#include "core/language_file.h"
#include "fixed_clock.h"
#include "test_config.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

RunRecord run(const std::string& ended, const std::string& result, const std::string& error = {}) {
    RunRecord record;
    record.ended = ended;
    record.result = result;
    record.error = error;
    return record;
}

struct TrayCase {
    const char* name;
    std::vector<RunRecord> journal;
    TrayStatus status;
};

TEST(TrayStatus, EachJournalGivesItsStateAndHint) {
    test::FixedClock clock;
    clock.set(2026, 12, 10, 8, 0);
    const RunRecord good = run("2026-12-10 03:00:00", "ok");
    const RunRecord failed =
        run("2026-12-10 07:40:00", "failed", "Error Code 00026 Unable to complete network request");
    const std::vector<TrayCase> cases{
        {"no journal", {}, {false, "No good backup yet"}},
        {"good", {good}, {false, "Last good backup: 2026-12-10 03:00 (5 h ago)"}},
        {"good a few minutes ago",
         {run("2026-12-10 07:51:30", "ok")},
         {false, "Last good backup: 2026-12-10 07:51 (8 min ago)"}},
        {"good days ago", {run("2026-12-05 09:00:00", "ok")}, {false, "Last good backup: 2026-12-05 09:00 (4 d ago)"}},
        {"only failed",
         {failed},
         {true, "No good backup yet\nLast run failed: Error Code 00026 Unable to complete network request"}},
        {"good then failed",
         {good, failed},
         {true, "Last good backup: 2026-12-10 03:00 (5 h ago)\nLast run failed: Error Code 00026 Unable to complete "
                "network request"}},
        {"failed then good",
         {failed, run("2026-12-10 07:55:00", "ok")},
         {false, "Last good backup: 2026-12-10 07:55 (5 min ago)"}},
        {"failed without a line",
         {good, run("2026-12-10 07:40:00", "failed")},
         {true, "Last good backup: 2026-12-10 03:00 (5 h ago)\nLast run failed: The backup did not finish."}},
        {"a good run ending after now is no age below zero",
         {run("2026-12-10 09:00:00", "ok")},
         {false, "Last good backup: 2026-12-10 09:00 (0 min ago)"}},
    };
    for (const TrayCase& c : cases)
        EXPECT_EQ(trayStatus(c.journal, clock.now(), {}), c.status) << c.name;
}

TEST(TrayStatus, TheHintAgesWithTheClock) {
    test::FixedClock clock;
    const std::vector<RunRecord> journal{run("2026-12-10 03:00:00", "ok")};
    const struct {
        int day, hour, minute;
        const char* age;
    } times[] = {{10, 3, 0, "0 min ago"},
                 {10, 3, 59, "59 min ago"},
                 {10, 4, 0, "1 h ago"},
                 {13, 2, 59, "71 h ago"},
                 {13, 3, 0, "3 d ago"}};
    for (const auto& time : times) {
        clock.set(2026, 12, time.day, time.hour, time.minute);
        EXPECT_EQ(trayStatus(journal, clock.now(), {}).toolTip,
                  std::string("Last good backup: 2026-12-10 03:00 (") + time.age + ")");
    }
}

// The texts come in the current language, as the language files give them.
TEST(TrayStatus, TheTextsAreInTheLanguageOfTheFile) {
    test::FixedClock clock;
    clock.set(2026, 12, 10, 8, 0);
    const LanguageFile german = LanguageFile::load(std::string(test::kSourceDir) + "/Lang/deu.lng");
    const Translate translate = [&](const std::string& text) { return german.lookup(text); };
    const std::vector<RunRecord> journal{run("2026-12-10 03:00:00", "ok"),
                                         run("2026-12-10 07:40:00", "failed", "x %2")};
    EXPECT_EQ(
        trayStatus(journal, clock.now(), translate),
        (TrayStatus{true, "Letzte gute Sicherung: 2026-12-10 03:00 (vor 5 Std.)\nLetzter Lauf fehlgeschlagen: x %2"}));
    EXPECT_EQ(trayStatus({}, clock.now(), translate).toolTip, "Noch keine gute Sicherung");
    EXPECT_EQ(runNotice(journal.back(), translate), (TrayNotice{"Tervolen: die Sicherung ist fehlgeschlagen", "x %2"}));
}

TEST(TrayStatus, OnlyAFailedRunGivesANoticeWithItsFirstRedLine) {
    EXPECT_EQ(runNotice(run("2026-12-10 03:00:00", "ok"), {}), std::nullopt);
    EXPECT_EQ(runNotice(run("2026-12-10 03:00:00", "failed", "Cannot open file \"/x\""), {}),
              (TrayNotice{"Tervolen: the backup failed", "Cannot open file \"/x\""}));
}

} // namespace
} // namespace tervolen
