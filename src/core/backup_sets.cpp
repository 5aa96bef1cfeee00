#include "core/backup_sets.h"

#include "core/paths.h"
#include "core/retention_policy.h"

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace tervolen {

namespace {

bool isStamp(std::string_view text) {
    return parseBackupStamp(text).has_value();
}

// " (n)" with n a number from 2 without leading zeros.
bool isCopyNumber(std::string_view text) {
    if (text.size() < 4 || !text.starts_with(" (") || !text.ends_with(")"))
        return false;
    const std::string_view number = text.substr(2, text.size() - 3);
    if (number.empty() || number.size() > 9 || number.front() == '0' ||
        !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return number != "1";
}

// The stamp of name when it is prefix, a stamp, then suffix; empty otherwise.
std::string stampBetween(std::string_view name, std::string_view prefix, std::string_view suffix) {
    if (name.size() != prefix.size() + 12 + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
        return {};
    const std::string_view stamp = name.substr(prefix.size(), 12);
    return isStamp(stamp) ? std::string(stamp) : std::string();
}

// The names of the regular files in folder; nothing when it cannot be read.
std::vector<std::string> regularFiles(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(folder.c_str()), ::closedir);
    if (!listing)
        return names;
    while (const dirent* entry = ::readdir(listing.get())) {
        struct stat info {};
        if (::fstatat(::dirfd(listing.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode))
            names.emplace_back(entry->d_name);
    }
    return names;
}

class SetCollector {
public:
    explicit SetCollector(BackupSets& sets) : sets_(sets) {}

    void add(const std::string& stamp, SetFileKind kind, const std::string& path) {
        if (!stamp.empty() && paths_.insert(path).second)
            sets_[stamp].push_back({kind, path});
    }

private:
    BackupSets& sets_;
    std::set<std::string> paths_;
};

std::string joined(const std::string& folder, const std::string& name) {
    return folder + kPathDelim + name;
}

} // namespace

std::string archiveStamp(std::string_view name, bool numberedCopies) {
    for (std::string_view extension : {".zip", ".bz2"}) {
        if (!name.ends_with(extension) || name.size() < 12 + extension.size())
            continue;
        const std::string_view stamp = name.substr(0, 12);
        const std::string_view between = name.substr(12, name.size() - 12 - extension.size());
        if (isStamp(stamp) && (between.empty() || (numberedCopies && isCopyNumber(between))))
            return std::string(stamp);
    }
    return {};
}

BackupSets findBackupSets(const BackupSetLocations& locations) {
    BackupSets sets;
    SetCollector collector(sets);
    if (!locations.backupFolder.empty()) {
        for (const std::string& name : regularFiles(locations.backupFolder)) {
            const std::string path = joined(locations.backupFolder, name);
            if (!locations.backupExtension.empty())
                collector.add(stampBetween(name, "", locations.backupExtension), SetFileKind::Backup, path);
            collector.add(archiveStamp(name, false), SetFileKind::Archive, path);
        }
    }
    for (const std::string& folder : locations.mirrorFolders) {
        if (folder.empty())
            continue;
        for (const std::string& name : regularFiles(folder))
            collector.add(archiveStamp(name, true), SetFileKind::MirrorCopy, joined(folder, name));
    }
    if (!locations.logPrefix.empty()) {
        // The prefix may end in a folder separator or go on with the start of the file names.
        const std::string probe = locations.logPrefix + "x";
        const std::string folder = folderOf(probe);
        std::string namePrefix = nameOf(probe);
        namePrefix.pop_back();
        const std::string suffix = locations.backupExtension + "BackupLog.log";
        for (const std::string& name : regularFiles(folder))
            collector.add(stampBetween(name, namePrefix, suffix), SetFileKind::Log, joined(folder, name));
    }
    return sets;
}

void addFtpSetFiles(BackupSets& sets, const std::vector<std::string>& names) {
    SetCollector collector(sets);
    for (const std::string& name : names)
        collector.add(archiveStamp(name, false), SetFileKind::FtpArchive, name);
}

bool holdsBackupOrArchive(const std::vector<SetFile>& files) {
    return std::any_of(files.begin(), files.end(), [](const SetFile& file) { return file.kind != SetFileKind::Log; });
}

} // namespace tervolen
