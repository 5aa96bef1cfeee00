#include "services/backup_job.h"

#include "core/control_names.h"
#include "core/errors.h"
#include "core/folder_safety.h"
#include "core/paths.h"
#include "core/posix_file.h"
#include "core/settings_values.h"
#include "core/time_format.h"
#include "services/connection_settings.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervolen {

namespace {

constexpr const char* kInvalidProtocol = "Invalid Protocol Name";
constexpr auto kPollPause = std::chrono::milliseconds(100);

const BackupOption kBackupOptionRows[] = {
    BackupOption::IgnoreChecksums,     BackupOption::IgnoreLimbo,     BackupOption::MetadataOnly,
    BackupOption::NoGarbageCollection, BackupOption::OldMetadataDesc, BackupOption::NonTransportable,
    BackupOption::ConvertExtTables,
};

} // namespace

BackupJob::BackupJob(JobContext context, BackupService& service, std::string& currentBackupName)
    : context_(std::move(context)), service_(service), currentBackupName_(currentBackupName) {}

bool BackupJob::run(bool unattended) {
    MonitorLog& monitor = context_.monitor;
    FormState& form = context_.form;
    bool result = true;
    requestSent_ = false;
    backupFinished_ = false;
    monitor.setLed(false);
    // The job only reads the settings, so a save made while it runs is never overwritten.
    const BackupFileSettings settings = readBackupFileSettings(context_.paths.settingsFile);
    try {
        prepareRequest(settings.databasePath, settings.backupFolder);
        applyProtocol(unattended);
        applyConnectionSettings(form, service_);
        writeBanners(settings.verbose);
        warnAboutOpenFolders(settings.backupFolder);
        refuseTakenBackupName();
        service_.verbose = settings.verbose;
        selectBackupOption();
        attach();
        runRequest();
    } catch (const std::exception&) {
        result = false;
        monitor.setLed(!result);
    }
    if (service_.active())
        service_.closeServiceManager();
    if (backupFinished_)
        backupFinished_ = tightenBackupFile();
    if (form.checked(controls::CheckBackupLog))
        saveLog(logFilePath());
    return result;
}

void BackupJob::prepareRequest(const std::string& databasePath, const std::string& backupFolder) {
    if (backupFolder.empty())
        throw Error("Unable to create directory");
    // The server writes the file; a folder that cannot be made here shows as the server's error.
    try {
        createOwnerOnlyFolders(backupFolder);
    } catch (const Error&) {
    }
    service_.databaseName = databasePath;
    std::string stamp = backupTimeStamp(context_.clock.now());
    std::string extension = context_.form.text(controls::CB_BkpExt);
    service_.backupFile = {backupFolder + kPathDelim + stamp + extension};
    currentBackupName_ = stamp + extension;
}

void BackupJob::applyProtocol(bool unattended) {
    invalidProtocol_ = false;
    if (auto protocol = protocolFromText(context_.form.text(controls::CB_Protocol))) {
        service_.setProtocol(*protocol);
        return;
    }
    if (unattended) {
        invalidProtocol_ = true;
        return;
    }
    context_.dialogs.message(kInvalidProtocol);
    context_.form.setFocus(controls::CB_Protocol);
}

void BackupJob::writeBanners(bool verbose) {
    MonitorLog& monitor = context_.monitor;
    monitor.clearMonitor();
    monitor.addMonitorLine("=========== Started Backup ===========", kFuchsia, kMonitorLineSize);
    monitor.addMonitorLine("Started Backup at " + longDateTime(context_.clock.now()) + " hour", kGreen,
                           kMonitorLineSize);
    if (invalidProtocol_)
        monitor.addMonitorLine(kInvalidProtocol, kRed, kMonitorLineSize);
    if (!verbose)
        monitor.addMonitorLine("No output, Verbose Mode Turned Off!", kFuchsia, kMonitorLineSize);
}

std::string BackupJob::logFilePath() const {
    return context_.form.text(controls::LogFileEdit) + currentBackupName_ + "BackupLog.log";
}

void BackupJob::warnAboutOpenFolders(const std::string& backupFolder) {
    FormState& form = context_.form;
    std::vector<std::string> folders = {backupFolder};
    for (int i = 0; i < form.itemCount(controls::MirrorListView); ++i)
        folders.push_back(form.itemText(controls::MirrorListView, i));
    if (form.checked(controls::CheckBackupLog))
        folders.push_back(folderOf(logFilePath()));
    for (const std::string& folder : folders)
        if (anyoneMayWrite(folder))
            context_.monitor.addMonitorLine(anyoneMayWriteWarning(folder), kRed, kMonitorLineSize);
}

void BackupJob::refuseTakenBackupName() {
    const std::string& path = service_.backupFile.front();
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return;
    std::string text = "The backup file \"" + path + "\" already exists; the backup was not started.";
    context_.monitor.addMonitorLine(text, kRed, kMonitorLineSize);
    throw Error(text);
}

bool BackupJob::tightenBackupFile() {
    const std::string& path = service_.backupFile.front();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0) {
        // A remote server's file is not on this machine; a local one that is gone or a link is not handed on.
        if (errno == ENOENT)
            return true;
        context_.monitor.addMonitorLine("Cannot open file \"" + path + "\". " + std::strerror(errno), kRed,
                                        kMonitorLineSize);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        context_.monitor.addMonitorLine("\"" + path + "\" is not a regular file; it is not handed on.", kRed,
                                        kMonitorLineSize);
        return false;
    }
    // A server that runs as another user may have written it for everybody to read.
    if ((info.st_mode & 077) != 0 && (info.st_uid == ::geteuid() || runningAsRoot()))
        ::fchmod(fd.get(), 0600);
    return true;
}

void BackupJob::saveLog(const std::string& path) {
    try {
        createOwnerOnlyFolders(folderOf(path));
        context_.monitor.saveMonitor(path);
    } catch (const std::exception& e) {
        context_.monitor.addMonitorLine(e.what(), kRed, kMonitorLineSize);
    }
}

void BackupJob::selectBackupOption() {
    int row = context_.form.itemIndex(controls::clListaBackup);
    if (row >= 0 && row < static_cast<int>(std::size(kBackupOptionRows)))
        service_.options = {kBackupOptionRows[row]};
}

void BackupJob::attach() {
    try {
        service_.openServiceManager();
    } catch (const std::exception& e) {
        addErrorCodeLine(context_.monitor, ErrorCode::BackupStart, e.what());
    }
}

void BackupJob::runRequest() {
    MonitorLog& monitor = context_.monitor;
    try {
        service_.startAction();
        requestSent_ = true;
        context_.form.setActivePage(static_cast<int>(Page::Monitor));
        while (!service_.outputEnded()) {
            monitor.appendOutputLine(service_.readOutputLine());
            context_.processEvents();
        }
        while (service_.queryRunning()) {
            monitor.addMonitorLine("Processing Please Wait...", kNavy, kMonitorLineSize);
            context_.processEvents();
            if (context_.pause)
                context_.pause(kPollPause);
        }
        monitor.addMonitorLine("=========== Backup Finished ========", kNavy, kMonitorLineSize);
        monitor.setLed(true);
        backupFinished_ = true;
    } catch (const std::exception& e) {
        addErrorCodeLine(monitor, ErrorCode::BackupRun, e.what());
    }
}

} // namespace tervolen
