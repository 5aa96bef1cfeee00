#include "core/retention_policy.h"

#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

namespace tervolen {
namespace {

// A set as the reference sees it: its civil time through the C library's calendar, independent of the policy's.
struct ReferenceSet {
    std::string stamp;
    std::tm time{};
    bool good = true;
};

std::string stampOf(const std::tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_min,
                  t.tm_hour);
    return text;
}

std::string formatted(const std::tm& t, const char* pattern) {
    char text[32];
    std::strftime(text, sizeof text, pattern, &t);
    return text;
}

// Sets from 2024-01-01 to 2026-12-31: several runs on most days, no runs at all in some stretches of weeks, runs
// around the spring and autumn clock changes of 2025 and on 29 February 2024; one in nine failed.
std::vector<ReferenceSet> threeYearsOfSets() {
    std::mt19937 random(17);
    std::vector<ReferenceSet> sets;
    std::tm day{};
    day.tm_year = 124;
    day.tm_mon = 0;
    day.tm_mday = 1;
    day.tm_hour = 12;
    const std::time_t first = timegm(&day);
    for (int offset = 0; offset < 3 * 366; ++offset) {
        const std::time_t noon = first + static_cast<std::time_t>(offset) * 86400;
        std::tm date{};
        gmtime_r(&noon, &date);
        if (date.tm_year > 126)
            break;
        const int weekOfYear = date.tm_yday / 7;
        if ((date.tm_year == 124 && (weekOfYear == 10 || weekOfYear == 11)) ||
            (date.tm_year == 125 && weekOfYear == 30) || (date.tm_year == 126 && weekOfYear >= 20 && weekOfYear <= 23))
            continue;
        std::set<std::pair<int, int>> times;
        const bool special = (date.tm_mon == 1 && date.tm_mday == 29) ||
                             (date.tm_year == 125 && date.tm_mon == 2 && date.tm_mday == 30) ||
                             (date.tm_year == 125 && date.tm_mon == 9 && date.tm_mday == 26);
        if (special)
            times = {{1, 59}, {2, 0}, {2, 30}, {3, 0}, {23, 59}};
        const int runs = static_cast<int>(random() % 4);
        for (int i = 0; i < runs; ++i)
            times.insert({static_cast<int>(random() % 24), static_cast<int>(random() % 60)});
        for (const auto& [hour, minute] : times) {
            ReferenceSet set;
            set.time = date;
            set.time.tm_hour = hour;
            set.time.tm_min = minute;
            set.stamp = stampOf(set.time);
            set.good = random() % 9 != 0;
            sets.push_back(set);
        }
    }
    return sets;
}

// For one rule: the newest good set of each of the n newest buckets that hold a good set.
void referenceRule(const std::vector<ReferenceSet>& newestFirst, int n,
                   const std::function<std::string(const std::tm&)>& bucket, std::set<std::string>& kept) {
    std::vector<std::string> buckets;
    for (const ReferenceSet& set : newestFirst) {
        if (!set.good)
            continue;
        const std::string key = bucket(set.time);
        if (std::find(buckets.begin(), buckets.end(), key) != buckets.end())
            continue;
        if (static_cast<int>(buckets.size()) == n)
            break;
        buckets.push_back(key);
        kept.insert(set.stamp);
    }
}

std::set<std::string> referenceKept(std::vector<ReferenceSet> sets, const RetentionPolicy& policy) {
    std::sort(sets.begin(), sets.end(), [](const ReferenceSet& a, const ReferenceSet& b) {
        return formatted(a.time, "%Y%m%d%H%M") > formatted(b.time, "%Y%m%d%H%M");
    });
    std::set<std::string> kept;
    int last = 0;
    for (const ReferenceSet& set : sets)
        if (set.good && last++ < policy.keepLast)
            kept.insert(set.stamp);
    referenceRule(
        sets, policy.keepDaily, [](const std::tm& t) { return formatted(t, "%F"); }, kept);
    referenceRule(
        sets, policy.keepWeekly, [](const std::tm& t) { return formatted(t, "%G-%V"); }, kept);
    referenceRule(
        sets, policy.keepMonthly, [](const std::tm& t) { return formatted(t, "%Y-%m"); }, kept);
    referenceRule(
        sets, policy.keepYearly, [](const std::tm& t) { return formatted(t, "%Y"); }, kept);
    for (const ReferenceSet& set : sets)
        if (set.good) {
            kept.insert(set.stamp);
            break;
        }
    return kept;
}

TEST(RetentionPolicy, KeepsWhatAnIndependentReferenceKeeps) {
    std::vector<ReferenceSet> sets = threeYearsOfSets();
    // The sets of the table's order must not matter.
    std::vector<RetentionCandidate> candidates;
    for (const ReferenceSet& set : sets)
        candidates.push_back({set.stamp, set.good});
    std::shuffle(candidates.begin(), candidates.end(), std::mt19937(5));

    const struct {
        const char* name;
        RetentionPolicy policy;
    } cases[] = {
        {"last", {.keepLast = 7}},
        {"daily", {.keepDaily = 40}},
        {"weekly", {.keepWeekly = 60}},
        {"monthly", {.keepMonthly = 30}},
        {"yearly", {.keepYearly = 2}},
        {"more weeks than there are", {.keepWeekly = 1000}},
        {"all together", {.keepLast = 3, .keepDaily = 10, .keepWeekly = 8, .keepMonthly = 18, .keepYearly = 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::set<std::string> kept;
        for (const RetentionDecision& decision : decideRetention(candidates, c.policy)) {
            EXPECT_EQ(decision.keep, !decision.reasons.empty()) << decision.stamp;
            if (decision.keep)
                kept.insert(decision.stamp);
        }
        EXPECT_EQ(kept, referenceKept(sets, c.policy));
    }
}

TEST(RetentionPolicy, NamesTheRulesThatKeepASetAndOrdersByTimeNotByStampText) {
    // 09:05 on 8 December 2026 is "202612080509", after 23:50 the day before as text, yet older than the
    // 2026-12-08 14:00 run; the stamps put the minute before the hour.
    const std::vector<RetentionCandidate> sets = {
        {"202612085014", false}, {"202612080014", true}, {"202612080509", true}, {"202612075023", true},
        {"202612280010", true},  {"202701030010", true}, {"202612270010", true},
    };
    const std::vector<RetentionDecision> decisions =
        decideRetention(sets, RetentionPolicy{.keepLast = 1, .keepDaily = 4, .keepWeekly = 3});
    std::vector<std::pair<std::string, std::vector<std::string>>> seen;
    for (const RetentionDecision& decision : decisions)
        seen.push_back({decision.stamp, decision.reasons});
    const std::vector<std::pair<std::string, std::vector<std::string>>> expected = {
        {"202701030010", {"newest", "last 1", "daily 2027-01-03", "weekly 2026-W53"}},
        {"202612280010", {"daily 2026-12-28"}},
        {"202612270010", {"daily 2026-12-27", "weekly 2026-W52"}},
        {"202612085014", {}},
        {"202612080014", {"daily 2026-12-08", "weekly 2026-W50"}},
        {"202612080509", {}},
        {"202612075023", {}},
    };
    EXPECT_EQ(seen, expected);
}

TEST(RetentionPolicy, TheNewestGoodSetStaysWhenNoRuleKeepsItAndFailedSetsGo) {
    const std::vector<RetentionCandidate> sets = {{"202612100013", false}, {"202612090013", true}};
    const std::vector<RetentionDecision> decisions = decideRetention(sets, RetentionPolicy{});
    ASSERT_EQ(decisions.size(), 2u);
    EXPECT_FALSE(decisions[0].keep);
    EXPECT_EQ(decisions[1].reasons, std::vector<std::string>{"newest"});
}

TEST(RetentionPolicy, ReadsOnlyStampsOfRealTimes) {
    const std::pair<const char*, bool> stamps[] = {
        {"202402290000", true},  {"202302290000", false}, {"202612315923", true},   {"202612316023", false},
        {"202612310024", false}, {"20261231002", false},  {"2026123100230", false}, {"2026-2310023", false},
        {"202613010000", false}, {"202612000000", false},
    };
    for (const auto& [stamp, valid] : stamps)
        EXPECT_EQ(parseBackupStamp(stamp).has_value(), valid) << stamp;
}

} // namespace
} // namespace tervolen
