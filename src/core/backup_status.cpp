#include "core/backup_status.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace tervolen {

namespace {

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
long long daysFromCivil(long long year, unsigned month, unsigned day) {
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

long long secondsOf(const LocalTime& time) {
    return daysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day)) * 86400 +
           time.hour * 3600 + time.minute * 60 + time.second;
}

// "yyyy-mm-dd hh:nn:ss" as the journal writes it.
std::optional<LocalTime> parseJournalTime(const std::string& text) {
    LocalTime time;
    char end = 0;
    if (text.size() != 19 || std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &time.year, &time.month, &time.day,
                                         &time.hour, &time.minute, &time.second, &end) != 6)
        return std::nullopt;
    if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 || time.minute > 59 ||
        time.second > 60)
        return std::nullopt;
    return time;
}

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
            summary.lastGoodAgeSeconds = std::max(0LL, secondsOf(now) - secondsOf(*ended));
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
    std::string failure =
        lastFailed ? "last run failed" + (journal->back().error.empty() ? "" : ": " + journal->back().error) : "";
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
