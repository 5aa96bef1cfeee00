#include "app/backup_chain.h"

#include "copies/copy_to_mirrors.h"
#include "core/control_names.h"
#include "core/paths.h"

#include <optional>

namespace tervolen {

namespace {

std::optional<CompressionMethod> chosenMethod(int row) {
    switch (row) {
    case 0:
        return CompressionMethod::Deflate;
    case 1:
        return CompressionMethod::Bzip2;
    default:
        return std::nullopt;
    }
}

} // namespace

BackupChainSettings readBackupChainSettings(const FormState& form, const std::string& backupName) {
    BackupChainSettings settings;
    settings.backupPath = form.text(controls::eDirBackup) + kPathDelim + backupName;
    settings.compress = form.checked(controls::ChkBoxCompress);
    settings.compression.method = chosenMethod(form.itemIndex(controls::CBCompMetho));
    settings.compression.threads = form.text(controls::SECompThreads);
    settings.compression.encrypt = form.checked(controls::ChkBoxEncrypt);
    settings.compression.password = form.text(controls::EdArchivePswd);
    for (int i = 0; i < form.itemCount(controls::MirrorListView); ++i)
        settings.mirrorFolders.push_back(form.itemText(controls::MirrorListView, i));
    settings.sendByMail = form.checked(controls::ChkBoxBkpMail);
    settings.mail = {form.text(controls::ledHost), form.text(controls::EdSMTPPort), form.text(controls::ledFrom),
                     form.text(controls::ledTo), form.text(controls::ledCC)};
    settings.sendByFtp = form.checked(controls::ChkBoxSentFTP);
    settings.ftp = {form.text(controls::LedFTPAdress), form.text(controls::LedFTPPort),
                    form.text(controls::LedUserName), form.text(controls::LedPassword)};
    return settings;
}

bool runBackupChain(BackupJob& job, bool unattended, const std::function<BackupChainSettings()>& readSettings,
                    const BackupChainTools& tools, const std::function<bool()>& stopRequested) {
    auto stopping = [&] { return stopRequested && stopRequested(); };

    const bool result = job.run(unattended);
    // Only a backup that the server finished is handed on: a cut one would pass as good.
    if (!job.backupFinished() || stopping())
        return result;
    const BackupChainSettings settings = readSettings();
    if (!settings.compress)
        return result;
    const std::optional<OpenedFile> archive =
        compressBackup(settings.backupPath, settings.compression, tools.zip, tools.monitor);
    if (!archive)
        return result;
    if (!settings.mirrorFolders.empty() && !stopping())
        copyToMirrors(*archive, settings.mirrorFolders, tools.monitor);
    if (settings.sendByMail && !stopping())
        sendBackupByMail(*archive, settings.mail, tools.smtp, tools.mailMessage, tools.monitor);
    if (settings.sendByFtp && !stopping())
        sendBackupByFtp(*archive, settings.ftp, tools.ftp);
    return result;
}

} // namespace tervolen
