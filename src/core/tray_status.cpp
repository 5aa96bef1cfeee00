#include "core/tray_status.h"

#include "core/backup_status.h"

#include <initializer_list>

namespace tervolen {

namespace {

std::string translated(const Translate& translate, const std::string& text) {
    return translate ? translate(text) : text;
}

// Puts the arguments in place of %1, %2 ... in one pass, so that an argument holding "%2" stays as it is.
std::string fillIn(const std::string& pattern, std::initializer_list<std::string> arguments) {
    std::string result;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::size_t number = i + 1 < pattern.size() ? static_cast<std::size_t>(pattern[i + 1] - '0') : 0;
        if (pattern[i] == '%' && number >= 1 && number <= arguments.size()) {
            result += *(arguments.begin() + (number - 1));
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

std::string ageText(long long seconds, const Translate& translate) {
    const AgeInUnits age = ageInUnits(seconds);
    const char* pattern = age.unit == AgeInUnits::Unit::Minutes ? "%1 min ago"
                          : age.unit == AgeInUnits::Unit::Hours ? "%1 h ago"
                                                                : "%1 d ago";
    return fillIn(translated(translate, pattern), {std::to_string(age.count)});
}

std::string failureText(const RunRecord& run) {
    return run.error.empty() ? "The backup did not finish." : run.error;
}

} // namespace

TrayStatus trayStatus(const std::vector<RunRecord>& journal, const LocalTime& now, const Translate& translate) {
    const JournalSummary summary = summarizeJournal(journal, now);
    TrayStatus status;
    status.failed = summary.lastRunFailed();
    status.toolTip =
        summary.lastGood == nullptr
            ? translated(translate, "No good backup yet")
            : fillIn(translated(translate, "Last good backup: %1 (%2)"),
                     {summary.lastGood->ended.substr(0, 16), ageText(summary.lastGoodAgeSeconds, translate)});
    if (status.failed)
        status.toolTip += "\n" + fillIn(translated(translate, "Last run failed: %1"), {failureText(*summary.lastRun)});
    return status;
}

std::optional<TrayNotice> runNotice(const RunRecord& run, const Translate& translate) {
    if (run.result == "ok")
        return std::nullopt;
    return TrayNotice{translated(translate, "Tervolen: the backup failed"), failureText(run)};
}

} // namespace tervolen
