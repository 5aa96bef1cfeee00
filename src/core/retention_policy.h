#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// How many backup sets each rule keeps; all 0 means nothing is ever pruned.
struct RetentionPolicy {
    int keepLast = 0;
    int keepDaily = 0;
    int keepWeekly = 0;
    int keepMonthly = 0;
    int keepYearly = 0;

    bool prunes() const { return keepLast > 0 || keepDaily > 0 || keepWeekly > 0 || keepMonthly > 0 || keepYearly > 0; }
};

// The local time a backup's "yyyymmddnnhh" stamp (minute before hour) names.
struct StampTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;

    auto operator<=>(const StampTime&) const = default;
};

// The time of a stamp of exactly twelve digits naming a real day, hour and minute; nothing otherwise.
std::optional<StampTime> parseBackupStamp(std::string_view stamp);
// "yyyy-mm-dd hh:nn:00", ordered as the times are.
std::string stampTimeText(const StampTime& time);

struct RetentionCandidate {
    std::string stamp; // a valid backup stamp
    bool good = false; // the run was ok, or a set from before the journal holds a backup or an archive
};

struct RetentionDecision {
    std::string stamp;
    bool keep = false;
    std::vector<std::string> reasons; // why it is kept, e.g. "daily 2026-12-08"; empty when removed
};

// Which sets the policy keeps, newest first. A good set is kept when any rule keeps it, and the newest good set
// always is; a set that is not good counts for no rule and goes. Calendar days, ISO weeks, months and years are
// those of the stamps' local times.
std::vector<RetentionDecision> decideRetention(const std::vector<RetentionCandidate>& sets,
                                               const RetentionPolicy& policy);

} // namespace tervolen
