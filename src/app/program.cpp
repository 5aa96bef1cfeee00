#include "app/program.h"

#include "app/backup_chain.h"
#include "app/config_page_handlers.h"
#include "app/monitor_page_handlers.h"
#include "app/prune_backups.h"
#include "app/saved_settings_form.h"
#include "app/schedule_page_handlers.h"
#include "core/autostart.h"
#include "core/control_names.h"
#include "core/folder_safety.h"
#include "core/help_links.h"
#include "core/language_choice.h"
#include "core/missed_runs.h"
#include "core/paths.h"
#include "core/run_journal.h"
#include "core/settings_file.h"
#include "core/settings_pages.h"
#include "core/settings_table.h"
#include "core/settings_values.h"
#include "core/startup.h"
#include "core/unsaved_settings.h"
#include "services/connection_settings.h"

#include <thread>
#include <vector>

namespace tervolen {

namespace {

// Marks a job as running for its whole length, also when it ends with an error.
class JobGuard {
public:
    explicit JobGuard(bool& running) : running_(running) { running_ = true; }
    JobGuard(const JobGuard&) = delete;
    JobGuard& operator=(const JobGuard&) = delete;
    ~JobGuard() { running_ = false; }

private:
    bool& running_;
};

} // namespace

Program::Program(FormState& form, Dialogs& dialogs, MonitorLog& monitor, AppPaths paths, const Clock& clock,
                 ProcessEvents processEvents, Options options)
    : form_(form), dialogs_(dialogs), monitor_(monitor), paths_(std::move(paths)), clock_(clock),
      processEvents_(std::move(processEvents)), options_(std::move(options)),
      schedule_(form, clock, paths_.settingsFile) {
    backup_.setProtocol(Protocol::TCP);
    backup_.setLoginPrompt(false);
    backup_.loginDialog = [this](LoginFields& fields) { return dialogs_.login(fields); };
    restore_.setProtocol(Protocol::TCP);
    restore_.setLoginPrompt(true);
    restore_.options = {RestoreOption::CreateNewDB};
    restore_.loginDialog = [this](LoginFields& fields) { return dialogs_.login(fields); };
    validation_.setProtocol(Protocol::TCP);
    validation_.setLoginPrompt(false);
    validation_.globalAction = GlobalTransactionAction::CommitGlobal;
    for (QueryService* service : std::initializer_list<QueryService*>{&testRestore_, &testValidation_}) {
        service->setProtocol(Protocol::TCP);
        service->setLoginPrompt(false);
    }
    zip_.setProcessEvents(processEvents_);
    zip_.setProgress(options_.compressionProgress);
    smtp_.setTimeouts(options_.networkTimeouts);
    ftp_.setTimeouts(options_.networkTimeouts);
    registerHandlers();
}

void Program::onClick(const char* control, std::function<void()> handler) {
    form_.onClick(control, [this, handler = std::move(handler)] {
        try {
            handler();
        } catch (const std::exception& e) {
            reportError(e);
        }
    });
}

void Program::reportError(const std::exception& error) {
    tervolen::reportError(dialogs_, error);
}

void Program::registerHandlers() {
    onClick(controls::btnHide, [this] { form_.minimize(); });
    for (const char* control : {controls::btnFechar, controls::LbClose, controls::MenuItem1})
        onClick(control, [this] {
            if (quitConfirmed())
                form_.close();
        });
    onClick(controls::AppLaunch, [this] { form_.restore(); });
    for (const char* control : {controls::LbStartBackup, controls::StartBackup1})
        onClick(control, [this] { onStartBackup(); });
    onClick(controls::InitRestore, [this] { onStartRestore(); });
    onClick(controls::JvTranspValidation, [this] { onStartValidation(); });
    onClick(controls::TranspButOkSchedule, [this] { saveSchedulePage(form_, dialogs_, paths_); });
    onClick(controls::TranspButOKConfig, [this] { saveConfig(); });
    onClick(controls::JvTransparentButton3, [this] { onAddMirror(form_, dialogs_); });
    onClick(controls::JvTransparentButton4, [this] { onRemoveMirror(form_); });
    onClick(controls::CheckBackupLog, [this] { onAutomaticLogToggled(form_, paths_); });
    onClick(controls::ChkBoxCompress, [this] { onCompressionToggled(form_); });
    onClick(controls::BtnRetentionPreview, [this] { runPrune(true); });
    onClick(controls::BtnTestConnection, [this] { runAlone([this] { onTestConnection(form_, dialogs_); }); });
    onClick(controls::BtnTestMail, [this] { runAlone([this] { onTestMail(form_, dialogs_, smtp_); }); });
    onClick(controls::BtnTestFtp, [this] { runAlone([this] { onTestFtp(form_, dialogs_, ftp_); }); });
    onClick(controls::BtSaveBkpLog, [this] { onSaveMonitorLog(monitor_, dialogs_, paths_); });
    for (const LanguageChoice& choice : languageChoices())
        onClick(choice.label, [this, &choice] {
            chooseLanguage(form_, paths_.settingsFile, choice, options_.applyLanguageFile);
            refreshRunStatus();
        });
    onClick(controls::LbHelpTopic, [this] { onHelpTopics(); });
    for (const DownloadLink& link : downloadLinks())
        onClick(link.control, [this, &link] { openUrl(link.url); });
    form_.onChange(controls::CB_ChooseSGDBVer, [this] { proposeClientLibrary(form_); });
    form_.onChange(controls::CB_Protocol, [this] { proposeServerName(form_); });
}

// The autostart entry follows the check box. Root's entry would start a root program in a desktop session. A
// failure is reported and goes no further: it must not keep the settings from loading, or a later save would write
// empty fields over the stored ones.
void Program::applyAutostartChoice() {
    if (!options_.registerAutostart || runningAsRoot())
        return;
    try {
        if (form_.checked(controls::ChkBoxAutostart))
            registerAutostart("Tervolen", executablePath().string());
        else
            removeAutostart("Tervolen");
    } catch (const std::exception& e) {
        reportError(e);
    }
}

bool Program::quitConfirmed() {
    bool hourTicked = false;
    for (int i = 0; i < form_.itemCount(controls::clbHorarios); ++i)
        hourTicked = hourTicked || form_.itemChecked(controls::clbHorarios, i);
    if (!hourTicked)
        return true;
    if (!readSettingFlag(SettingsFile::openSettings(paths_.settingsFile), SettingId::AskBeforeQuit))
        return true;
    bool dontAskAgain = false;
    const bool quit =
        dialogs_.askYesNoOrStopAsking("Quit Tervolen? No scheduled backup runs until it is started again.", dontAskAgain);
    if (dontAskAgain)
        withSettings(paths_.settingsFile, [](SettingsFile& s) { writeSettingFlag(s, SettingId::AskBeforeQuit, false); });
    return quit;
}

void Program::startup() {
    try {
        form_.setText(controls::GradientHeaderPanel, headerCaption());
        form_.setText(controls::btnFechar, "");
        form_.setActivePage(static_cast<int>(Page::Schedule));
        StartupHooks hooks;
        hooks.addErrorLine = [this](const std::string& text) { monitor_.addMonitorLine(text, kRed, kMonitorLineSize); };
        hooks.applyLanguageFile = options_.applyLanguageFile;
        loadSettingsIntoForm(form_, paths_, hooks);
        applyAutostartChoice();
        form_.setText(controls::EdArchivePswdAgain, form_.text(controls::EdArchivePswd));
        schedule_.loadTodaySchedule();
    } catch (const UntrustedFileError&) {
        throw;
    } catch (const std::exception& e) {
        reportError(e);
    }
    schedule_.setTimerEnabled(true);
    refreshRunStatus();
}

void Program::warnAboutOpenFolders() {
    // The backup, mirror and log folders are looked at by every backup run.
    if (anyoneMayWrite(paths_.baseDir))
        monitor_.addMonitorLine(anyoneMayWriteWarning(paths_.baseDir), kRed, kMonitorLineSize);
}

void Program::checkMissedRuns() {
    MissedRuns missed;
    bool catchUp = false;
    try {
        const SettingsFile settings = SettingsFile::openSettings(paths_.settingsFile);
        missed = findMissedRuns(readScheduleSettings(settings, clock_.now().dayOfWeek),
                                readRunJournal(runJournalPath(paths_.settingsFile)), clock_.now());
        catchUp = readSettingFlag(settings, SettingId::CatchUp);
    } catch (const std::exception& e) {
        monitor_.addMonitorLine(e.what(), kRed, kMonitorLineSize);
        return;
    }
    if (missed.hours.empty())
        return;
    monitor_.addMonitorLine(missedRunsLine(missed.hours), kRed, kMonitorLineSize);
    if (!catchUp || missed.scheduleDueNow)
        return;
    // The backup clears the Monitor, so the missed hours are named again after it.
    const BackupOutcome outcome = runBackup(true);
    if (outcome.result)
        monitor_.addMonitorLine(caughtUpLine(missed.hours), kNavy, kMonitorLineSize);
    else if (outcome.started)
        monitor_.addMonitorLine(missedRunsLine(missed.hours), kRed, kMonitorLineSize);
}

void Program::onScheduleTick() {
    if (!schedule_.timerEnabled() || jobRunning_)
        return;
    try {
        schedule_.scheduleTick([this] {
            BackupOutcome outcome = runBackup(true);
            // After an escaped error the hour counts as served once the server has taken the request.
            return outcome.escapedError ? outcome.requestSent : outcome.result;
        });
        settingsFailureReported_ = false;
    } catch (const std::exception& e) {
        if (!settingsFailureReported_) {
            settingsFailureReported_ = true;
            reportError(e);
        }
    }
}

bool Program::saveConfig() {
    if (!archivePasswordsAgree(form_, dialogs_))
        return false;
    saveConfigPage(form_, paths_);
    applyAutostartChoice();
    return true;
}

void Program::onStartBackup() {
    if (jobRunning_) {
        dialogs_.message(kJobRunning);
        return;
    }
    const Dialogs::Answer answer = saveChangedPages();
    if (answer == Dialogs::Answer::Cancel)
        return;
    schedule_.loadTodaySchedule();
    if (answer == Dialogs::Answer::Yes) {
        runBackup(false);
        return;
    }
    SavedSettingsForm saved(form_, paths_);
    runBackupOn(saved, false);
}

Dialogs::Answer Program::saveChangedPages() {
    const bool schedule = pageHasUnsavedChanges(form_, paths_, SavedBy::SaveSchedule);
    const bool config = pageHasUnsavedChanges(form_, paths_, SavedBy::SaveConfig);
    if (!schedule && !config)
        return Dialogs::Answer::Yes;
    const Dialogs::Answer answer = dialogs_.askYesNoCancel(translated(kUnsavedPages));
    if (answer != Dialogs::Answer::Yes)
        return answer;
    if (schedule && !storeSchedulePage(form_, dialogs_, paths_))
        return Dialogs::Answer::Cancel;
    if (config && !saveConfig())
        return Dialogs::Answer::Cancel;
    return Dialogs::Answer::Yes;
}

std::string Program::translated(const std::string& text) const {
    return options_.translate ? options_.translate(text) : text;
}

void Program::onHelpTopics() {
    if (std::optional<std::string> url = manualUrl(options_.executableDir)) {
        openUrl(*url);
        return;
    }
    const ManualPlaces places = manualPlaces(options_.executableDir);
    dialogs_.message("No manual found: neither " + places.manualPage.string() + " nor " + places.readme.string() +
                     " exists.");
}

void Program::openUrl(const std::string& url) {
    if (options_.openUrl && !options_.openUrl(url))
        dialogs_.message("No program opens " + url + ".");
}

void Program::runAlone(const std::function<void()>& job) {
    if (jobRunning_) {
        dialogs_.message(kJobRunning);
        return;
    }
    JobGuard guard(jobRunning_);
    job();
}

void Program::onStartRestore() {
    runAlone([this] { RestoreJob(jobContext(), restore_).run(); });
}

void Program::onStartValidation() {
    runAlone([this] { ValidationJob(jobContext(), validation_).run(); });
}

void Program::runRestore(const RestoreRequest& request) {
    runAlone([&] {
        try {
            RestoreJob(jobContext(), restore_).run(request);
        } catch (const std::exception& e) {
            reportError(e);
        }
    });
}

void Program::runValidation(const ValidationRequest& request) {
    runAlone([&] {
        try {
            ValidationJob(jobContext(), validation_).run(request);
        } catch (const std::exception& e) {
            reportError(e);
        }
    });
}

Program::BackupOutcome Program::runBackup(bool scheduled) {
    return runBackupOn(form_, scheduled);
}

Program::BackupOutcome Program::runBackupOn(FormState& form, bool scheduled) {
    BackupOutcome outcome;
    if (jobRunning_) {
        if (!scheduled)
            dialogs_.message(kJobRunning);
        return outcome;
    }
    JobGuard guard(jobRunning_);
    outcome.started = true;
    // A run killed during its test restore left the database there.
    sweepTestDatabases(testRestoreFolder(form));
    BackupJob job(jobContext(form), backup_, currentBackupName_);
    try {
        outcome.result = runBackupChain(
            job, scheduled, [this, &form] { return readBackupChainSettings(form, currentBackupName_); },
            chainTools(form), options_.stopRequested,
            RunRecording{runJournalPath(paths_.settingsFile), scheduled ? "schedule" : options_.manualRunOrigin, clock_,
                         [this] { return currentBackupName_; },
                         [this, &form] { return readPruneSettings(form, paths_); },
                         readRunAlerts(form), [this](const RunRecord& run) { onRunRecorded(run); }});
    } catch (const std::exception& e) {
        outcome.escapedError = true;
        if (scheduled)
            monitor_.addMonitorLine(e.what(), kRed, kMonitorLineSize);
        else
            reportError(e);
    }
    outcome.requestSent = job.requestSent();
    return outcome;
}

void Program::onRunRecorded(const RunRecord& run) {
    refreshRunStatus();
    if (!options_.notify)
        return;
    if (std::optional<TrayNotice> notice = runNotice(run, options_.translate))
        options_.notify(*notice);
}

void Program::refreshRunStatus() {
    if (!options_.showRunStatus)
        return;
    std::vector<RunRecord> journal;
    try {
        journal = readRunJournal(runJournalPath(paths_.settingsFile));
    } catch (const std::exception&) {
        // Told once by the run that could not write it; a timer must not repeat it every minute.
        return;
    }
    options_.showRunStatus(trayStatus(journal, clock_.now(), options_.translate));
}

bool Program::sendArchive(const std::string& archivePath) {
    bool ran = false;
    runAlone([&] {
        try {
            const OpenedFile archive = openRegularFile(archivePath);
            runDeliverySteps(archive, readBackupChainSettings(form_, {}), chainTools(), options_.stopRequested);
            ran = true;
        } catch (const std::exception& e) {
            reportError(e);
        }
    });
    return ran;
}

bool Program::verifyBackup(const std::string& backupFile) {
    bool passed = false;
    runAlone([&] {
        try {
            form_.setActivePage(static_cast<int>(Page::Monitor));
            passed = testRestore({serverConnectionFromForm(form_), backupFile, testRestoreFolder(form_)}, form_).passed;
        } catch (const std::exception& e) {
            reportError(e);
        }
    });
    return passed;
}

void Program::runPrune(bool dryRun) {
    runAlone([&] {
        form_.setActivePage(static_cast<int>(Page::Monitor));
        pruneBackups(readPruneSettings(form_, paths_), ftp_, monitor_, dryRun);
    });
}

BackupChainTools Program::chainTools(FormState& form) {
    return BackupChainTools{monitor_, zip_, smtp_, mailMessage_, ftp_,
                            [this, &form](const TestRestoreRequest& request) { return testRestore(request, form); }};
}

TestRestoreOutcome Program::testRestore(const TestRestoreRequest& request, FormState& form) {
    return runTestRestore(request, jobContext(form), testRestore_, testValidation_);
}

JobContext Program::jobContext(FormState& form) {
    return JobContext{form,
                      dialogs_,
                      monitor_,
                      paths_,
                      clock_,
                      processEvents_,
                      [this](std::chrono::milliseconds duration) { pauseWithEvents(duration); },
                      options_.stopRequested};
}

void Program::pauseWithEvents(std::chrono::milliseconds duration) {
    auto end = std::chrono::steady_clock::now() + duration;
    while (std::chrono::steady_clock::now() < end) {
        processEvents_();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace tervolen
