#include "core/monitor_log.h"

#include <gtest/gtest.h>
#include <memory>
#include <optional>

#include <string>
#include <vector>

namespace tervolen {
namespace {

struct Expected {
    std::string text;
    Color color;
    int size;
};

void expectParagraphs(const MonitorLog& log, const std::vector<Expected>& expected) {
    ASSERT_EQ(log.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("paragraph " + std::to_string(i));
        EXPECT_EQ(log.paragraph(i).text, expected[i].text);
        EXPECT_EQ(log.paragraph(i).color, expected[i].color);
        EXPECT_EQ(log.paragraph(i).size, expected[i].size);
    }
}

TEST(MonitorLogTest, VerboseBackupOutputTakesTheGreenOfTheStartLine) {
    MonitorLog log;
    log.clearMonitor();
    log.addMonitorLine("=========== Started Backup ===========", kFuchsia, kMonitorLineSize);
    log.addMonitorLine("Started Backup at Saturday, December 9, 2006, 15:30:12 hour", kGreen, kMonitorLineSize);
    log.appendOutputLine("gbak:readied database /data/base.fdb for backup");
    log.appendOutputLine("gbak:writing data for table CUSTOMERS");
    log.addMonitorLine("Processing Please Wait...", kNavy, kMonitorLineSize);
    log.addMonitorLine("=========== Backup Finished ========", kNavy, kMonitorLineSize);

    expectParagraphs(log, {{"=========== Started Backup ===========", kFuchsia, 10},
                           {"Started Backup at Saturday, December 9, 2006, 15:30:12 hour", kGreen, 10},
                           {"gbak:readied database /data/base.fdb for backup", kGreen, 10},
                           {"gbak:writing data for table CUSTOMERS", kGreen, 10},
                           {"Processing Please Wait...", kNavy, 10},
                           {"=========== Backup Finished ========", kNavy, 10}});
}

TEST(MonitorLogTest, NonVerboseRunLeavesLaterPlainLinesFuchsia) {
    MonitorLog log;
    log.addMonitorLine("=========== Started Backup ===========", kFuchsia, kMonitorLineSize);
    log.addMonitorLine("Started Backup at Saturday, December 9, 2006, 15:30:12 hour", kGreen, kMonitorLineSize);
    log.addMonitorLine("No output, Verbose Mode Turned Off!", kFuchsia, kMonitorLineSize);
    log.appendOutputLine("a line without attributes");

    EXPECT_EQ(log.paragraph(2).color, kFuchsia);
    EXPECT_EQ(log.paragraph(3).color, kFuchsia);
    EXPECT_EQ(log.paragraph(3).size, 10);
}

TEST(MonitorLogTest, ColourValuesAreTheMonitorsRedGreenBlue) {
    EXPECT_EQ(kFuchsia, 255u | (0u << 8) | (255u << 16));
    EXPECT_EQ(kGreen, 0u | (128u << 8) | (0u << 16));
    EXPECT_EQ(kNavy, 0u | (0u << 8) | (128u << 16));
    EXPECT_EQ(kRed, 255u);
}

TEST(MonitorLogTest, ErrorTextWithTwoLinesOfItsOwnGivesThreeRedParagraphs) {
    MonitorLog log;
    log.addMonitorLine("Error Code 0001 Internal System \rFrmPrincipal.Backup:\r\nUnable to complete network request",
                       kRed, kMonitorLineSize);

    expectParagraphs(log, {{"Error Code 0001 Internal System ", kRed, 10},
                           {"FrmPrincipal.Backup:", kRed, 10},
                           {"Unable to complete network request", kRed, 10}});
}

TEST(MonitorLogTest, LineBreaksSplitTextIntoParagraphs) {
    struct Case {
        std::string text;
        std::vector<std::string> paragraphs;
    };
    const std::vector<Case> cases = {
        {"", {""}},
        {"one", {"one"}},
        {"a\rb", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\r\rb", {"a", "", "b"}},
        {"a\r", {"a", ""}},
        {"\r\na", {"", "a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        MonitorLog log;
        log.addMonitorLine(c.text, kNavy, 10);
        ASSERT_EQ(log.size(), c.paragraphs.size());
        for (size_t i = 0; i < c.paragraphs.size(); ++i)
            EXPECT_EQ(log.paragraph(i).text, c.paragraphs[i]);
    }
}

TEST(MonitorLogTest, PlainLineInEmptyLogTakesTheAreasOwnFont) {
    MonitorLog log;
    log.appendOutputLine("first");
    log.insertFirstLine("ERROR: top");

    expectParagraphs(log, {{"ERROR: top", kWindowText, 8}, {"first", kWindowText, 8}});
}

TEST(MonitorLogTest, InsertedFirstLineTakesTheAttributesOfTheFirstLine) {
    MonitorLog log;
    log.addMonitorLine("=========== Started Backup ===========", kFuchsia, kMonitorLineSize);
    log.addMonitorLine("Compressed Files: 1", kGreen, kMonitorLineSize);
    log.insertFirstLine("ERROR: Socket Error # 111\r\nConnection refused.");

    expectParagraphs(log, {{"ERROR: Socket Error # 111", kFuchsia, 10},
                           {"Connection refused.", kFuchsia, 10},
                           {"=========== Started Backup ===========", kFuchsia, 10},
                           {"Compressed Files: 1", kGreen, 10}});
}

TEST(MonitorLogTest, ClearRemovesEveryLineAndTheAttributesWithThem) {
    MonitorLog log;
    log.addMonitorLine("red", kRed, 10);
    log.clearMonitor();
    EXPECT_TRUE(log.empty());

    log.appendOutputLine("plain");
    expectParagraphs(log, {{"plain", kWindowText, 8}});
}

TEST(MonitorLogTest, LampIsLitUntilSwitched) {
    MonitorLog log;
    EXPECT_TRUE(log.led());
    log.setLed(false);
    EXPECT_FALSE(log.led());
    log.setLed(true);
    EXPECT_TRUE(log.led());
}

class RecordingListener : public MonitorListener {
public:
    std::vector<std::string> events;
    void paragraphsAppended(std::size_t count) override { events.push_back("appended " + std::to_string(count)); }
    void paragraphsInserted(std::size_t count) override { events.push_back("inserted " + std::to_string(count)); }
    void paragraphsTrimmed(std::size_t count) override { events.push_back("trimmed " + std::to_string(count)); }
    void monitorCleared() override { events.push_back("cleared"); }
    void ledChanged(bool lit) override { events.push_back(lit ? "lit" : "unlit"); }
};

TEST(MonitorLogTest, ListenersSeeEveryChange) {
    MonitorLog log;
    RecordingListener first;
    RecordingListener second;
    MonitorLog::Subscription firstSubscription = log.addListener(first);
    std::optional<MonitorLog::Subscription> secondSubscription = log.addListener(second);

    log.setLed(false);
    log.addMonitorLine("Error Code 00026 Internal System \rtext", kRed, 10);
    log.appendOutputLine("line");
    log.insertFirstLine("ERROR: x");
    log.clearMonitor();
    log.setLed(true);
    secondSubscription.reset();
    log.appendOutputLine("only the first listener sees this");

    const std::vector<std::string> expected = {"unlit",   "appended 2", "appended 1", "inserted 1",
                                               "cleared", "lit",        "appended 1"};
    EXPECT_EQ(first.events, expected);
    EXPECT_EQ(second.events, std::vector<std::string>(expected.begin(), expected.end() - 1));
}

// A listener is told exactly while its subscription lives, wherever the subscription is moved to, and a
// subscription may outlive its log.
TEST(MonitorLogTest, ASubscriptionTiesTheListenerToItsLifetime) {
    RecordingListener listener;
    MonitorLog::Subscription kept;
    {
        auto log = std::make_unique<MonitorLog>();
        {
            MonitorLog::Subscription scoped = log->addListener(listener);
            log->appendOutputLine("told");
        }
        log->appendOutputLine("not told: the subscription ended");
        MonitorLog::Subscription moved = log->addListener(listener);
        kept = std::move(moved);
        log->appendOutputLine("told through the moved subscription");
        MonitorLog::Subscription replaced = log->addListener(listener);
        replaced = MonitorLog::Subscription();
        log->setLed(false);
    }
    EXPECT_EQ(listener.events, (std::vector<std::string>{"appended 1", "appended 1", "unlit"}));
}

TEST(MonitorLogTest, KeepsTheNewestParagraphsUpToTheLimit) {
    MonitorLog log;
    RecordingListener listener;
    for (size_t i = 0; i < kMaxMonitorParagraphs; ++i)
        log.appendOutputLine(std::to_string(i));
    MonitorLog::Subscription subscription = log.addListener(listener);

    log.appendOutputLine("newest");
    log.addMonitorLine("two\rlines", kRed, 10);

    ASSERT_EQ(log.size(), kMaxMonitorParagraphs);
    EXPECT_EQ(log.paragraph(0).text, "3");
    EXPECT_EQ(log.paragraph(kMaxMonitorParagraphs - 3).text, "newest");
    EXPECT_EQ(log.paragraph(kMaxMonitorParagraphs - 1).text, "lines");
    EXPECT_EQ(listener.events, (std::vector<std::string>{"trimmed 1", "appended 1", "trimmed 2", "appended 2"}));
}

TEST(MonitorLogTest, LineInsertedAtTheTopOfAFullLogIsKept) {
    MonitorLog log;
    log.addMonitorLine("oldest", kFuchsia, 10);
    for (size_t i = 1; i < kMaxMonitorParagraphs; ++i)
        log.addMonitorLine(std::to_string(i), kGreen, 10);

    log.insertFirstLine("ERROR: Host not found.");

    ASSERT_EQ(log.size(), kMaxMonitorParagraphs);
    EXPECT_EQ(log.paragraph(0).text, "ERROR: Host not found.");
    EXPECT_EQ(log.paragraph(0).color, kGreen); // the line it now stands before
    EXPECT_EQ(log.paragraph(1).text, "1");
    EXPECT_EQ(log.paragraph(kMaxMonitorParagraphs - 1).text, std::to_string(kMaxMonitorParagraphs - 1));
}

TEST(MonitorLogTest, TextLongerThanTheLimitKeepsItsLastParagraphs) {
    std::string text;
    for (size_t i = 0; i < kMaxMonitorParagraphs + 10; ++i)
        text += std::to_string(i) + "\n";
    MonitorLog log;
    log.addMonitorLine("before", kNavy, 10);

    log.addMonitorLine(text, kRed, 10);

    ASSERT_EQ(log.size(), kMaxMonitorParagraphs);
    EXPECT_EQ(log.paragraph(0).text, "11");
    EXPECT_EQ(log.paragraph(kMaxMonitorParagraphs - 1).text, "");
}

} // namespace
} // namespace tervolen
