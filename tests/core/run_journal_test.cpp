#include "core/run_journal.h"

#include "temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tervolen {
namespace {

using namespace std::string_literals;

RunRecord sampleRecord(const std::string& stamp) {
    RunRecord record;
    record.stamp = stamp;
    record.started = "2026-12-10 13:05:00";
    record.ended = "2026-12-10 13:07:41";
    record.origin = "schedule";
    record.result = "failed";
    record.error = "Mirroring Error \"quoted\" \\ back\tslash\r\x01\x7f and Grüße, Привет";
    record.backup = "/backups/" + stamp + ".fbk";
    record.archive = "/backups/" + stamp + ".zip";
    record.mirrors = {"/m1/" + stamp + ".zip", "/m2/" + stamp + " (2).zip"};
    record.ftp = stamp + ".zip";
    record.backupSize = 5368709120ull;
    record.archiveSize = 17;
    return record;
}

TEST(RunJournal, RecordsReadBackAsTheyWereWrittenOneLineEach) {
    test::TempDir dir;
    const std::string path = dir.file("tervolen.journal");
    const RunRecord first = sampleRecord("202612100513");
    RunRecord second;
    second.result = "ok";
    appendRunRecord(path, first);
    appendRunRecord(path, second);
    EXPECT_EQ(readRunJournal(path), (std::vector<RunRecord>{first, second}));
    const std::string text = test::readFile(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(RunJournal, ATornLastLineIsSkippedAndTheNextRecordStartsALineOfItsOwn) {
    test::TempDir dir;
    const std::string path = dir.file("tervolen.journal");
    const RunRecord first = sampleRecord("202612100513");
    appendRunRecord(path, first);
    const std::string whole = formatRunRecord(sampleRecord("202612100514"));
    test::writeFile(path, test::readFile(path) + whole.substr(0, whole.size() / 2));
    EXPECT_EQ(readRunJournal(path), std::vector<RunRecord>{first});
    const RunRecord next = sampleRecord("202612100515");
    appendRunRecord(path, next);
    EXPECT_EQ(readRunJournal(path), (std::vector<RunRecord>{first, next}));
}

TEST(RunJournal, ALineLongerThanAnyRecordIsDroppedAndTheRecordsAroundItStay) {
    test::TempDir dir;
    const std::string path = dir.file("tervolen.journal");
    const RunRecord first = sampleRecord("202612100513");
    const RunRecord last = sampleRecord("202612100515");
    RunRecord huge = sampleRecord("202612100514");
    huge.error = std::string(3 << 20, 'x');
    appendRunRecord(path, first);
    appendRunRecord(path, huge);
    appendRunRecord(path, last);
    EXPECT_EQ(readRunJournal(path), (std::vector<RunRecord>{first, last}));
}

TEST(RunJournal, LinesThatAreNoWholeRecordAreNoRecord) {
    const char* const lines[] = {
        "",
        "{",
        "{\"stamp\":\"202612100513\"",
        "{\"stamp\":\"20261210\\q\"}",
        "{\"stamp\":202612100513x}",
        "{\"backupSize\":-1}",
        "{\"backupSize\":99999999999999999999999}",
        "{\"mirrors\":[\"a\",]}",
        "{\"stamp\":\"a\"} trailing",
        "{\"error\":\"\\ud800\"}",
        "{\"error\":\"raw\ttab\"}",
        "[]",
    };
    for (const char* line : lines)
        EXPECT_FALSE(parseRunRecord(line).has_value()) << line;
}

TEST(RunJournal, KeysItDoesNotKnowArePassedOver) {
    const auto record = parseRunRecord(" { \"future\" : [\"x\"], \"stamp\" : \"202612100513\", \"count\": 3, "
                                       "\"result\":\"ok\", \"note\":\"\\u00e9\\ud83d\\ude00\" } ");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->stamp, "202612100513");
    EXPECT_EQ(record->result, "ok");
}

TEST(RunJournal, ATestRestoreIsKeptAndARecordWithoutOneKeepsItsOlderForm) {
    const std::string older = formatRunRecord(sampleRecord("202612100513"));
    EXPECT_EQ(older.find("verif"), std::string::npos);
    const auto readOlder = parseRunRecord(older);
    ASSERT_TRUE(readOlder.has_value());
    EXPECT_FALSE(readOlder->verified.has_value());
    for (const bool verified : {true, false}) {
        RunRecord record = sampleRecord("202612100514");
        record.verified = verified;
        record.verifySeconds = 42;
        const std::string line = formatRunRecord(record);
        EXPECT_NE(line.find(verified ? "\"verified\":true" : "\"verified\":false"), std::string::npos) << line;
        EXPECT_EQ(parseRunRecord(line), record);
    }
    for (const char* line : {"{\"verified\":yes}", "{\"verified\":tru}", "{\"verified\":\"true\"}"})
        EXPECT_FALSE(parseRunRecord(line).has_value()) << line;
    const auto future = parseRunRecord("{\"result\":\"ok\",\"later\":false,\"other\":true}");
    ASSERT_TRUE(future.has_value());
    EXPECT_EQ(future->result, "ok");
}

TEST(RunJournal, ARewriteReplacesTheRecordsAndAMissingJournalHasNone) {
    test::TempDir dir;
    const std::string path = dir.file("tervolen.journal");
    EXPECT_TRUE(readRunJournal(path).empty());
    for (const char* stamp : {"202612100513", "202612100514", "202612100515"})
        appendRunRecord(path, sampleRecord(stamp));
    rewriteRunJournal(path, {sampleRecord("202612100515")});
    EXPECT_EQ(readRunJournal(path), std::vector<RunRecord>{sampleRecord("202612100515")});
    EXPECT_EQ(runJournalPath("/etc/tervolen/tervolen.ini"), "/etc/tervolen/tervolen.journal");
}

} // namespace
} // namespace tervolen
