#include "core/backup_status.h"

#include "core/journal_time.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tervolen {

namespace {

std::string ageText(long long seconds) {
    const AgeInUnits age = ageInUnits(seconds);
    const char* unit = age.unit == AgeInUnits::Unit::Minutes ? " min ago"
                       : age.unit == AgeInUnits::Unit::Hours ? " h ago"
                                                             : " d ago";
    return std::to_string(age.count) + unit;
}

std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    if (bytes < kMiB)
        return std::to_string((bytes + 1023) / 1024) + " kB";
    return std::to_string((bytes + kMiB / 2) / kMiB) + " MB";
}

const char* codeName(StatusCode code) {
    switch (code) {
    case StatusCode::Ok:
        return "OK";
    case StatusCode::Warning:
        return "WARNING";
    case StatusCode::Critical:
        return "CRITICAL";
    default:
        return "UNKNOWN";
    }
}

StatusCode worse(StatusCode a, StatusCode b) {
    return static_cast<int>(a) > static_cast<int>(b) ? a : b;
}

long long thresholdSeconds(double hours) {
    return std::llround(hours * 3600);
}

} // namespace

std::optional<double> parseStatusHours(const std::string& text) {
    double hours = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), hours);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(hours) ||
        hours < 0 || hours > 1e6)
        return std::nullopt;
    return hours;
}

AgeInUnits ageInUnits(long long seconds) {
    if (seconds < 3600)
        return {seconds / 60, AgeInUnits::Unit::Minutes};
    if (seconds < 72 * 3600)
        return {seconds / 3600, AgeInUnits::Unit::Hours};
    return {seconds / 86400, AgeInUnits::Unit::Days};
}

JournalSummary summarizeJournal(const std::vector<RunRecord>& journal, const LocalTime& now) {
    JournalSummary summary;
    if (!journal.empty())
        summary.lastRun = &journal.back();
    for (auto it = journal.rbegin(); it != journal.rend(); ++it) {
        if (it->result != "ok")
            continue;
        if (const std::optional<LocalTime> ended = parseJournalTime(it->ended)) {
            summary.lastGood = &*it;
            summary.lastGoodAgeSeconds = std::max(0LL, localSeconds(now) - localSeconds(*ended));
            break;
        }
    }
    return summary;
}

StatusReport backupStatus(const std::optional<std::vector<RunRecord>>& journal, const LocalTime& now,
                          const StatusThresholds& thresholds) {
    if (!journal)
        return {StatusCode::Unknown, "UNKNOWN - no journal: no backup run was recorded yet"};
    const long long warning = thresholdSeconds(thresholds.warningHours);
    const long long critical = thresholdSeconds(thresholds.criticalHours);
    const JournalSummary summary = summarizeJournal(*journal, now);
    const RunRecord* lastGood = summary.lastGood;
    const bool lastFailed = summary.lastRunFailed();
    std::string failure;
    if (lastFailed) {
        // The program's error lines end in a blank ("Error Code 0001 Internal System "), which would stand before
        // the ";".
        std::string error = journal->back().error;
        error.erase(error.find_last_not_of(' ') + 1);
        failure = "last run failed" + (error.empty() ? "" : ": " + error);
    }
    // The first bar starts the performance data.
    std::replace(failure.begin(), failure.end(), '|', '/');
    if (!lastGood) {
        std::string line = "CRITICAL - no good backup";
        if (lastFailed)
            line += ", " + failure;
        return {StatusCode::Critical, line};
    }
    const long long age = summary.lastGoodAgeSeconds;
    StatusCode code = StatusCode::Ok;
    if (age > critical)
        code = StatusCode::Critical;
    else if (age > warning)
        code = StatusCode::Warning;
    if (lastFailed)
        code = worse(code, StatusCode::Warning);
    std::string line = std::string(codeName(code)) + " - ";
    if (lastFailed)
        line += failure + "; ";
    line += "last good backup " + lastGood->ended.substr(0, 16) + " (" + ageText(age) + "), " +
            sizeText(lastGood->backupSize) + ", " + (lastGood->verified.value_or(false) ? "verified" : "not verified");
    line += " | age=" + std::to_string(age) + "s;" + std::to_string(warning) + ";" + std::to_string(critical) +
            " size=" + std::to_string(lastGood->backupSize) + "B";
    return {code, line};
}

} // namespace tervolen
