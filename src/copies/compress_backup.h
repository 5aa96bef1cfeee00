#pragma once

#include "copies/zip_archive_writer.h"
#include "core/form_state.h"
#include "core/posix_file.h"
#include "services/monitor_log.h"

#include <functional>
#include <string>

namespace tervolen {

// Packs the backup just written into a ZIP archive beside it (".zip" Deflate or ".bz2" Bzip2, from
// CBCompMetho), reports on the Monitor, and hands the archive, open through the descriptor it was written with,
// on to the mirror step when at least one file was compressed and at least one mirror folder is listed. Only a
// regular file under the backup's name is compressed, never what a link there points to.
void CompressBackup(const FormState& form, MonitorLog& monitor, ZipArchiveWriter& writer,
                    const std::string& currentBackupName,
                    const std::function<void(const OpenedFile& archive)>& copyToMirrors);

// The backup file of the run: the folder shown in eDirBackup, a separator and currentBackupName.
std::string BackupPath(const FormState& form, const std::string& currentBackupName);

} // namespace tervolen
