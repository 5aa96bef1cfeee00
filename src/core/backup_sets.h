#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// Where the files of the backup runs lie, as the window names them.
struct BackupSetLocations {
    std::string backupFolder;
    std::string backupExtension; // e.g. ".fbk"
    std::vector<std::string> mirrorFolders;
    std::string logPrefix; // the log folder field: log files are <logPrefix><stamp><ext>BackupLog.log
};

enum class SetFileKind { Backup, Archive, MirrorCopy, Log, FtpArchive };

struct SetFile {
    SetFileKind kind;
    std::string path; // on the FTP server the name in the login folder
};

// The files of each stamp, by stamp. Only regular files whose names match the patterns exactly are taken:
// <stamp><ext>, <stamp>.zip and <stamp>.bz2 in the backup folder, the archives and their " (2)", " (3)" ... copies
// in the mirror folders, and the log files. Links, folders and every other name are left out; a folder that
// cannot be read gives nothing.
using BackupSets = std::map<std::string, std::vector<SetFile>>;
BackupSets findBackupSets(const BackupSetLocations& locations);

// Adds the names of an FTP folder listing that are <stamp>.zip or <stamp>.bz2.
void addFtpSetFiles(BackupSets& sets, const std::vector<std::string>& names);

// The stamp of an archive name: "<stamp>.zip" or "<stamp>.bz2", and with numberedCopies also "<stamp> (n).zip"
// for n from 2; empty when the name is none of these.
std::string archiveStamp(std::string_view name, bool numberedCopies);

// Whether the files hold a backup file or an archive anywhere.
bool holdsBackupOrArchive(const std::vector<SetFile>& files);

} // namespace tervolen
