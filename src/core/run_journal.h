#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// One backup run as the journal keeps it.
struct RunRecord {
    std::string stamp;   // the backup file's "yyyymmddnnhh"; empty when the run named no backup file
    std::string started; // "yyyy-mm-dd hh:nn:ss", local time
    std::string ended;
    std::string origin; // "window", "schedule" or "cli"
    std::string result; // "ok" or "failed"
    std::string error;  // the run's first red Monitor line
    std::string backup; // paths of the backup file and the archive
    std::string archive;
    std::vector<std::string> mirrors; // paths of the mirror copies
    std::string ftp;                  // name of the upload
    std::uint64_t backupSize = 0;
    std::uint64_t archiveSize = 0;
    std::optional<bool> verified;    // the test restore's result; none when the run made none
    std::uint64_t verifySeconds = 0; // how long the test restore took

    bool operator==(const RunRecord&) const = default;
};

// The journal beside the settings file.
std::string runJournalPath(const std::string& settingsFile);

// One JSON object on one line, without the line end.
std::string formatRunRecord(const RunRecord& record);
// The record of one line; nothing for a line that is no whole record (a torn last line, damage). Keys it does not
// know are passed over.
std::optional<RunRecord> parseRunRecord(std::string_view line);

// Appends the record as one line with one write and flushes it to disk; a new journal is 0600. A journal whose last
// line was torn gets the record on a line of its own. Throws Error "Cannot write file" with the path and reason.
void appendRunRecord(const std::string& path, const RunRecord& record);
// The records of the journal in order, lines that are no record left out; nothing when there is no journal.
// Throws Error "Cannot open file" or "Cannot read file".
std::vector<RunRecord> readRunJournal(const std::string& path);
// Replaces the journal with these records at once (old or new, never a mix). Throws what writeFileAtomically throws.
void rewriteRunJournal(const std::string& path, const std::vector<RunRecord>& records);

} // namespace tervolen
