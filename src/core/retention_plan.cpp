#include "core/retention_plan.h"

#include <algorithm>
#include <map>

namespace tervolen {

namespace {

const char* kindName(SetFileKind kind) {
    switch (kind) {
    case SetFileKind::Backup:
        return "backup";
    case SetFileKind::Archive:
        return "archive";
    case SetFileKind::MirrorCopy:
        return "mirror copy";
    case SetFileKind::Log:
        return "log";
    case SetFileKind::FtpArchive:
        return "FTP";
    }
    return "";
}

std::string joinedReasons(const std::vector<std::string>& reasons) {
    std::string text;
    for (const std::string& reason : reasons)
        text += (text.empty() ? "" : ", ") + reason;
    return text;
}

// The record time a journal entry is judged by: its set's time, or the run's start when it named no set.
std::string recordTime(const RunRecord& record) {
    if (const auto time = parseBackupStamp(record.stamp))
        return stampTimeText(*time);
    return record.started;
}

} // namespace

RetentionPlan planRetention(BackupSets sets, const std::vector<RunRecord>& journal, const RetentionPolicy& policy) {
    std::map<std::string, std::string> results;
    for (const RunRecord& record : journal)
        if (!record.stamp.empty())
            results[record.stamp] = record.result;
    std::vector<RetentionCandidate> candidates;
    for (const auto& [stamp, files] : sets) {
        const auto result = results.find(stamp);
        const bool good = result != results.end() ? result->second == "ok" : holdsBackupOrArchive(files);
        candidates.push_back({stamp, good});
    }
    RetentionPlan plan{std::move(sets), {}};
    plan.decisions = decideRetention(candidates, policy);
    return plan;
}

std::vector<SetFile> filesToRemove(const RetentionPlan& plan, const std::vector<SetFileKind>& kinds) {
    std::vector<SetFile> files;
    for (const RetentionDecision& decision : plan.decisions) {
        if (decision.keep)
            continue;
        for (const SetFile& file : plan.sets.at(decision.stamp))
            if (std::find(kinds.begin(), kinds.end(), file.kind) != kinds.end())
                files.push_back(file);
    }
    return files;
}

void reportRetentionPlan(const RetentionPlan& plan, MonitorLog& monitor) {
    for (const RetentionDecision& decision : plan.decisions) {
        if (decision.keep) {
            monitor.addMonitorLine("Keeps " + decision.stamp + " (" + joinedReasons(decision.reasons) + ")", kGreen,
                                   kMonitorLineSize);
            continue;
        }
        for (const SetFile& file : plan.sets.at(decision.stamp))
            monitor.addMonitorLine("Would remove " + std::string(kindName(file.kind)) + " " + file.path, kNavy,
                                   kMonitorLineSize);
    }
}

std::vector<RunRecord> trimmedJournal(const std::vector<RunRecord>& journal, const RetentionPlan& plan,
                                      const std::vector<std::string>& removed) {
    std::string oldestKept;
    for (const RetentionDecision& decision : plan.decisions)
        if (decision.keep)
            oldestKept = stampTimeText(*parseBackupStamp(decision.stamp));
    std::vector<RunRecord> kept;
    for (const RunRecord& record : journal) {
        const bool setStillThere = plan.sets.contains(record.stamp) &&
                                   std::find(removed.begin(), removed.end(), record.stamp) == removed.end();
        if (setStillThere || recordTime(record) >= oldestKept)
            kept.push_back(record);
    }
    return kept;
}

} // namespace tervolen
