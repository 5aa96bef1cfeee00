// A journal as the disk gives it back, read at start-up for the hours the schedule missed. The journal's times must
// parse only in their own form, and the missed hours must be ticked hours before now's hour, earliest first.
#include "core/journal_time.h"
#include "core/missed_runs.h"
#include "core/run_journal.h"
#include "core/time_format.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

void checkTime(std::string_view text) {
    if (const std::optional<LocalTime> time = parseJournalTime(text))
        require(logTimeStamp(*time) == text, "a journal time that parses is written back as it was", visible(text));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = inputText(data, size);
    std::vector<RunRecord> journal;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        checkTime(line);
        if (std::optional<RunRecord> record = parseRunRecord(line)) {
            checkTime(record->started);
            checkTime(record->ended);
            journal.push_back(std::move(*record));
        }
        start = end + 1;
    }
    ScheduleFileSettings today;
    today.dayTicked = true;
    // Every other hour, so that unticked hours are met too.
    for (int hour = 0; hour < 24; hour += 2)
        today.hours[hour] = true;
    const LocalTime now{2026, 12, 9, 17, 30, 0, 4, 60};
    const MissedRuns missed = findMissedRuns(today, journal, now);
    require(std::is_sorted(missed.hours.begin(), missed.hours.end()), "the missed hours come earliest first");
    for (int hour : missed.hours)
        require(hour >= 0 && hour < now.hour && today.hours[hour], "a missed hour is a ticked hour before now's");
    return 0;
}
