#include "app/backup_chain.h"

#include "app/ftp_settings_form.h"
#include "app/mail_settings_form.h"
#include "copies/copy_to_mirrors.h"
#include "core/control_names.h"
#include "core/folder_safety.h"
#include "core/paths.h"
#include "core/posix_file.h"
#include "core/run_journal.h"
#include "core/time_format.h"

#include <sys/stat.h>

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

// The first red line that the run adds to the Monitor.
class FirstRedLine : public MonitorListener {
public:
    explicit FirstRedLine(MonitorLog& monitor) : monitor_(monitor), subscription_(monitor.addListener(*this)) {}
    void paragraphsAppended(std::size_t count) override {
        for (std::size_t i = monitor_.size() - count; i < monitor_.size() && !text_; ++i)
            if (monitor_.paragraph(i).color == kRed && !isOpenFolderWarning(monitor_.paragraph(i).text))
                text_ = monitor_.paragraph(i).text;
    }
    const std::optional<std::string>& text() const { return text_; }

private:
    MonitorLog& monitor_;
    std::optional<std::string> text_;
    MonitorLog::Subscription subscription_;
};

std::uint64_t sizeOf(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// The e-mail and FTP steps as ticked; false when a stop came before one of them. Sets ftpName once the upload ran.
bool deliver(const OpenedFile& archive, const BackupChainSettings& settings, const BackupChainTools& tools,
             const std::function<bool()>& stopping, std::string& ftpName) {
    if (settings.sendByMail) {
        if (stopping())
            return false;
        sendBackupByMail(archive, settings.mail, tools.smtp, tools.mailMessage, tools.monitor);
    }
    if (settings.sendByFtp) {
        if (stopping())
            return false;
        sendBackupByFtp(archive, settings.ftp, tools.ftp);
        ftpName = nameOf(archive.path);
    }
    return true;
}

// The steps after the backup; true when every step that was due ran. Fills in what the record names.
bool runSteps(BackupJob& job, const std::function<BackupChainSettings()>& readSettings, const BackupChainTools& tools,
              const std::function<bool()>& stopping, RunRecord& record) {
    if (!job.backupFinished() || stopping())
        return false;
    const BackupChainSettings settings = readSettings();
    record.backup = settings.backupPath;
    record.backupSize = sizeOf(settings.backupPath);
    if (settings.testRestore) {
        if (stopping())
            return false;
        const TestRestoreOutcome outcome = tools.testRestore(settings.testRestoreRequest);
        record.verified = outcome.passed;
        record.verifySeconds = outcome.seconds;
        if (!outcome.passed) {
            // The lamp lit when the server finished; a backup that does not restore is no finished backup.
            tools.monitor.setLed(false);
            return false;
        }
    }
    if (!settings.compress)
        return true;
    const std::optional<OpenedFile> archive =
        compressBackup(settings.backupPath, settings.compression, tools.zip, tools.monitor);
    if (!archive)
        return false;
    record.archive = archive->path;
    record.archiveSize = fileSize(*archive);
    if (!settings.mirrorFolders.empty()) {
        if (stopping())
            return false;
        record.mirrors = copyToMirrors(*archive, settings.mirrorFolders, tools.monitor);
    }
    return deliver(*archive, settings, tools, stopping, record.ftp);
}

// Appends the run's record; a journal that cannot be written is a red line, and the run is not ok.
bool appendToJournal(const RunRecording& recording, const RunRecord& record, MonitorLog& monitor) {
    try {
        appendRunRecord(recording.journalPath, record);
        return true;
    } catch (const std::exception& e) {
        monitor.addMonitorLine(e.what(), kRed, kMonitorLineSize);
        return false;
    }
}

} // namespace

std::string testRestoreFolder(const FormState& form) {
    const std::string folder = form.text(controls::EdVerifyFolder);
    return folder.empty() ? form.text(controls::eDirBackup) : folder;
}

BackupChainSettings readBackupChainSettings(const FormState& form, const std::string& backupName) {
    BackupChainSettings settings;
    settings.backupPath = form.text(controls::eDirBackup) + kPathDelim + backupName;
    settings.testRestore = form.checked(controls::ChkBoxVerifyRestore);
    settings.testRestoreRequest = {serverConnectionFromForm(form), settings.backupPath, testRestoreFolder(form)};
    settings.compress = form.checked(controls::ChkBoxCompress);
    settings.compression.method = chosenMethod(form.itemIndex(controls::CBCompMetho));
    settings.compression.threads = form.text(controls::SECompThreads);
    settings.compression.encrypt = form.checked(controls::ChkBoxEncrypt);
    settings.compression.password = form.text(controls::EdArchivePswd);
    for (int i = 0; i < form.itemCount(controls::MirrorListView); ++i)
        settings.mirrorFolders.push_back(form.itemText(controls::MirrorListView, i));
    settings.sendByMail = form.checked(controls::ChkBoxBkpMail);
    settings.mail = readMailSettings(form);
    settings.sendByFtp = form.checked(controls::ChkBoxSentFTP);
    settings.ftp = readFtpSettings(form);
    return settings;
}

bool runBackupChain(BackupJob& job, bool unattended, const std::function<BackupChainSettings()>& readSettings,
                    const BackupChainTools& tools, const std::function<bool()>& stopRequested,
                    const RunRecording& recording) {
    auto stopping = [&] { return stopRequested && stopRequested(); };
    RunRecord record;
    record.origin = recording.origin;
    record.started = logTimeStamp(recording.clock.now());
    FirstRedLine redLine(tools.monitor);
    auto finish = [&](bool complete, const std::string& error) {
        // A run that did not ask the server for its file must not speak for a set of that name.
        if (job.requestSent())
            record.stamp = recording.backupName().substr(0, 12);
        record.ended = logTimeStamp(recording.clock.now());
        record.error = redLine.text().value_or(error);
        record.result = complete && record.error.empty() ? "ok" : "failed";
        const bool appended = appendToJournal(recording, record, tools.monitor);
        if (recording.recorded)
            recording.recorded(record);
        return appended && record.result == "ok";
    };
    bool result = false;
    bool complete = false;
    try {
        result = job.run(unattended);
        // Only a backup that the server finished is handed on: a cut one would pass as good.
        complete = runSteps(job, readSettings, tools, stopping, record) && result;
    } catch (const std::exception& e) {
        finish(false, e.what());
        raiseRunAlerts(recording.alerts, record, tools.smtp, tools.mailMessage, tools.monitor);
        throw;
    }
    const char* shortfall = complete     ? ""
                            : stopping() ? "The run was stopped before its last step."
                                         : "The backup did not finish.";
    if (finish(complete, shortfall))
        pruneBackups(recording.readPruneSettings(), tools.ftp, tools.monitor, false);
    raiseRunAlerts(recording.alerts, record, tools.smtp, tools.mailMessage, tools.monitor);
    return result;
}

void runDeliverySteps(const OpenedFile& archive, const BackupChainSettings& settings, const BackupChainTools& tools,
                      const std::function<bool()>& stopRequested) {
    auto stopping = [&] { return stopRequested && stopRequested(); };
    std::string ftpName;
    deliver(archive, settings, tools, stopping, ftpName);
}

} // namespace tervolen
