#include "core/missed_runs.h"

#include "core/journal_time.h"
#include "core/schedule.h"

#include <algorithm>
#include <optional>

namespace tervolen {

namespace {

constexpr long long kDaySeconds = 24 * 3600;

std::optional<long long> latestMoment(const std::vector<RunRecord>& journal) {
    std::optional<long long> latest;
    for (const RunRecord& record : journal)
        for (const std::string* text : {&record.started, &record.ended})
            if (const std::optional<LocalTime> time = parseJournalTime(*text))
                latest = std::max(latest.value_or(localSeconds(*time)), localSeconds(*time));
    return latest;
}

std::string hourList(const std::vector<int>& hours) {
    std::string list;
    for (int hour : hours)
        list += (list.empty() ? "" : ", ") + hourKey(hour);
    return list;
}

} // namespace

MissedRuns findMissedRuns(const ScheduleFileSettings& today, const std::vector<RunRecord>& journal,
                          const LocalTime& now) {
    MissedRuns missed;
    if (!today.dayTicked || now.hour < 0 || now.hour > 23)
        return missed;
    missed.scheduleDueNow = today.hours[now.hour];
    const long long midnight = localSeconds(LocalTime{now.year, now.month, now.day, 0, 0, 0});
    const std::optional<long long> lastSeen = latestMoment(journal);
    if (!lastSeen || *lastSeen < midnight - kDaySeconds)
        return missed;
    for (int hour = 0; hour < now.hour; ++hour)
        if (today.hours[hour] && *lastSeen < midnight + hour * 3600LL)
            missed.hours.push_back(hour);
    return missed;
}

std::string missedRunsLine(const std::vector<int>& hours) {
    return "Missed scheduled backups today at " + hourList(hours);
}

std::string caughtUpLine(const std::vector<int>& hours) {
    return "Caught up on the missed backups of " + hourList(hours) + " with one backup";
}

} // namespace tervolen
