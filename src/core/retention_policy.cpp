#include "core/retention_policy.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

namespace tervolen {

namespace {

using namespace std::chrono;

int digits(std::string_view text) {
    int value = 0;
    for (char c : text)
        value = value * 10 + (c - '0');
    return value;
}

year_month_day dateOf(const StampTime& time) {
    return year{time.year} / month{static_cast<unsigned>(time.month)} / day{static_cast<unsigned>(time.day)};
}

std::string format(const char* pattern, int a, int b = 0, int c = 0) {
    char text[32];
    std::snprintf(text, sizeof text, pattern, a, b, c);
    return text;
}

// The ISO 8601 week: weeks start on Monday, and week 1 holds the year's first Thursday.
std::string isoWeek(const StampTime& time) {
    const sys_days date{dateOf(time)};
    const weekday dayOfWeek{date};
    const sys_days thursday = date - days{(dayOfWeek.iso_encoding() - 1)} + days{3};
    const year_month_day thursdayDate{thursday};
    const sys_days firstDay{thursdayDate.year() / January / 1};
    const int week = static_cast<int>((thursday - firstDay).count() / 7) + 1;
    return format("%04d-W%02d", static_cast<int>(thursdayDate.year()), week);
}

struct Rule {
    const char* name;
    int count;
    std::function<std::string(const StampTime&, int index)> bucket;
};

} // namespace

std::optional<StampTime> parseBackupStamp(std::string_view stamp) {
    if (stamp.size() != 12 || !std::all_of(stamp.begin(), stamp.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    StampTime time{digits(stamp.substr(0, 4)), digits(stamp.substr(4, 2)), digits(stamp.substr(6, 2)),
                   digits(stamp.substr(10, 2)), digits(stamp.substr(8, 2))};
    if (!dateOf(time).ok() || time.hour > 23 || time.minute > 59)
        return std::nullopt;
    return time;
}

std::string stampTimeText(const StampTime& time) {
    return format("%04d-%02d-%02d ", time.year, time.month, time.day) + format("%02d:%02d:00", time.hour, time.minute);
}

std::vector<RetentionDecision> decideRetention(const std::vector<RetentionCandidate>& sets,
                                               const RetentionPolicy& policy) {
    struct Entry {
        StampTime time;
        const RetentionCandidate* set;
    };
    std::vector<Entry> entries;
    for (const RetentionCandidate& set : sets)
        if (const auto time = parseBackupStamp(set.stamp))
            entries.push_back({*time, &set});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.time > b.time; });

    std::vector<Rule> rules = {
        {"last", policy.keepLast, [](const StampTime&, int index) { return std::to_string(index); }},
        {"daily", policy.keepDaily,
         [](const StampTime& t, int) { return format("%04d-%02d-%02d", t.year, t.month, t.day); }},
        {"weekly", policy.keepWeekly, [](const StampTime& t, int) { return isoWeek(t); }},
        {"monthly", policy.keepMonthly, [](const StampTime& t, int) { return format("%04d-%02d", t.year, t.month); }},
        {"yearly", policy.keepYearly, [](const StampTime& t, int) { return format("%04d", t.year); }},
    };
    std::vector<std::string> lastBucket(rules.size());
    std::vector<RetentionDecision> decisions;
    bool newestGoodSeen = false;
    int goodIndex = 0;
    for (const Entry& entry : entries) {
        RetentionDecision decision{entry.set->stamp, false, {}};
        if (entry.set->good) {
            for (std::size_t i = 0; i < rules.size(); ++i) {
                Rule& rule = rules[i];
                const std::string bucket = rule.bucket(entry.time, goodIndex);
                if (rule.count <= 0 || bucket == lastBucket[i])
                    continue;
                lastBucket[i] = bucket;
                --rule.count;
                decision.reasons.push_back(std::string(rule.name) + " " +
                                           (i == 0 ? std::to_string(goodIndex + 1) : bucket));
            }
            if (!newestGoodSeen)
                decision.reasons.insert(decision.reasons.begin(), "newest");
            newestGoodSeen = true;
            ++goodIndex;
        }
        decision.keep = !decision.reasons.empty();
        decisions.push_back(std::move(decision));
    }
    return decisions;
}

} // namespace tervolen
