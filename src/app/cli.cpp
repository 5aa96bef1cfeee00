#include "app/cli.h"

#include "app/cli_arguments.h"
#include "app/console_dialogs.h"
#include "app/console_monitor.h"
#include "app/program.h"
#include "app/termination_signals.h"
#include "core/autostart.h"
#include "core/backup_status.h"
#include "core/control_names.h"
#include "core/errors.h"
#include "core/folder_safety.h"
#include "core/headless_form.h"
#include "core/run_journal.h"
#include "core/instance_lock.h"
#include "core/paths.h"
#include "core/progress_rate.h"
#include "core/run_journal.h"
#include "core/settings_file.h"
#include "core/text_conversion.h"
#include "core/time_format.h"
#include "core/version.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tervolen {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The row of the option list whose text is text; -1 when none is.
int rowOfOption(const FormState& form, const char* list, const std::string& text) {
    for (int i = 0; i < form.itemCount(list); ++i)
        if (form.itemText(list, i) == text)
            return i;
    return -1;
}

// The request of a restore or a validation: the connection of the settings, the rest from the command. A
// number that is no integer is reported as the job's button reports it.
void runJob(Program& program, const FormState& form, Dialogs& dialogs, const CliCommand& command, int optionRow) {
    try {
        if (command.name == "restore") {
            RestoreRequest request;
            request.connection = serverConnectionFromForm(form);
            request.backupFile = command.backupFile;
            request.database = command.database;
            request.pageSize = strToInt(command.pageSize.value_or("0"));
            request.option = restoreOptionOfRow(optionRow);
            program.runRestore(request);
        } else {
            ValidationRequest request;
            request.connection = serverConnectionFromForm(form);
            request.database = command.database;
            request.bufferSize = strToInt(command.bufferSize.value_or(form.text(controls::ValidateBufferEdit)));
            request.option = validationOptionOfRow(optionRow);
            program.runValidation(request);
        }
    } catch (const Error& e) {
        reportError(dialogs, e);
    }
}

AppPaths cliPaths(const CliCommand& command) {
    return command.settingsFile.empty() ? AppPaths::forExecutable("tervolen.ini")
                                        : AppPaths::forSettingsFile(command.settingsFile);
}

// Every path that the program derives from the mode; nothing is created.
void printPaths(const AppPaths& paths) {
    const std::pair<const char*, std::string> rows[] = {
        {"mode", pathModeName(paths.mode)},
        {"executable", executablePath().string()},
        {"settings", paths.settingsFile},
        {"mirrors", paths.join("Mirrors.lst")},
        {"journal", runJournalPath(paths.settingsFile)},
        {"lock", instanceLockPath(paths.settingsFile)},
        {"logs", paths.dataPath("DefaultLogs") + kPathDelim},
        {"backups", paths.dataPath("DefaultBackups")},
        {"restores", paths.dataPath("DefaultRestores")},
        {"languages", paths.languageDir},
        {"autostart", autostartFolder() + "/tervolen.desktop"},
    };
    for (const auto& [name, value] : rows)
        std::printf("%-12s%s\n", (std::string(name) + ":").c_str(), value.c_str());
}

// A monitoring check reads only the journal; any failure of its own is UNKNOWN (3), as such checks exit.
int printStatus(const CliCommand& command) {
    StatusThresholds thresholds;
    const std::pair<const std::optional<std::string>*, double*> limits[] = {
        {&command.warningHours, &thresholds.warningHours}, {&command.criticalHours, &thresholds.criticalHours}};
    for (const auto& [text, hours] : limits) {
        if (!*text)
            continue;
        const std::optional<double> value = parseStatusHours(**text);
        if (!value) {
            std::printf("UNKNOWN - not a number of hours: %s\n", (*text)->c_str());
            return static_cast<int>(StatusCode::Unknown);
        }
        *hours = *value;
    }
    StatusReport report;
    try {
        std::error_code error;
        if (!std::filesystem::exists(command.settingsFile, error))
            throw Error("settings file not found: " + command.settingsFile);
        readSettings(command.settingsFile, [](const SettingsFile&) { return 0; });
        const std::string journalPath = runJournalPath(command.settingsFile);
        std::optional<std::vector<RunRecord>> journal;
        if (std::filesystem::exists(journalPath, error) || error)
            journal = readRunJournal(journalPath);
        report = backupStatus(journal, SystemClock().now(), thresholds);
    } catch (const std::exception& e) {
        report = {StatusCode::Unknown, std::string("UNKNOWN - ") + e.what()};
    }
    std::printf("%s\n", report.line.c_str());
    return static_cast<int>(report.code);
}

int execute(const CliCommand& command) {
    AppPaths paths = cliPaths(command);
    createSettingsFolder(paths);
    HeadlessForm form;
    ConsoleDialogs dialogs(form, stderr);
    MonitorLog monitor;
    SystemClock clock;
    bool scheduler = command.name == "run";
    std::function<std::string()> stamp;
    if (scheduler)
        stamp = [&clock] { return logTimeStamp(clock.now()); };
    ConsoleMonitorPrinter printer(monitor, stdout, ::isatty(STDOUT_FILENO) != 0, stamp);
    MonitorLog::Subscription printing = monitor.addListener(printer);

    const int optionRow = command.option ? rowOfOption(form, cliOptionList(command.name), *command.option) : -1;
    if (command.option && optionRow < 0) {
        std::fprintf(stderr, "tervolen-cli: unknown %s option: %s\n", command.name.c_str(), command.option->c_str());
        return kExitUsage;
    }
    // The backup job still reads its option from the window's list.
    if (command.name == "backup" && command.option)
        form.setItemIndex(cliOptionList(command.name), optionRow);

    std::optional<InstanceLock> lock;
    if (scheduler) {
        lock = InstanceLock::acquire(paths.settingsFile);
        if (!lock) {
            std::fprintf(stderr, "tervolen-cli: Tervolen is already running for %s\n", paths.settingsFile.c_str());
            return kExitFailure;
        }
    }
    TerminationSignals signals;
    Program::Options options;
    options.registerAutostart = false;
    options.manualRunOrigin = "cli";
    options.stopRequested = [&signals] { return signals.wait(0); };
    ProgressRate progress;
    if (::isatty(STDERR_FILENO) != 0) {
        options.compressionProgress = [&progress](std::uint64_t done, std::uint64_t total) {
            std::string text = progress.update(done, total);
            std::fprintf(stderr, "\rCompressing: %s   %s", text.c_str(), progress.finished() ? "\n" : "");
        };
    }
    Program program(
        form, dialogs, monitor, paths, clock, [] {}, options);
    program.startup();
    // A warning about an open folder is no failure of the job.
    const bool startupFailed = printer.errorSeen();
    program.warnAboutOpenFolders();
    if (!startupFailed)
        printer.resetErrors();

    if (command.name == "restore" || command.name == "validate") {
        runJob(program, form, dialogs, command, optionRow);
        bool ok = !printer.errorSeen() && !dialogs.errorReported();
        return ok ? kExitOk : kExitFailure;
    }
    if (command.name == "send") {
        const bool sent = program.sendArchive(command.archiveFile);
        return sent && !printer.errorSeen() && !dialogs.errorReported() ? kExitOk : kExitFailure;
    }
    if (command.name == "verify") {
        const bool passed = program.verifyBackup(command.backupFile);
        return passed && !printer.errorSeen() && !dialogs.errorReported() ? kExitOk : kExitFailure;
    }
    if (command.name == "prune") {
        program.runPrune(command.dryRun);
        return printer.errorSeen() || dialogs.errorReported() ? kExitFailure : kExitOk;
    }
    if (!scheduler) {
        Program::BackupOutcome outcome = program.runBackup(false);
        bool ok = outcome.result && !printer.errorSeen() && !dialogs.errorReported();
        return ok ? kExitOk : kExitFailure;
    }
    program.checkMissedRuns();
    while (!signals.wait(1000))
        program.onScheduleTick();
    return kExitOk;
}

} // namespace

int runCli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    CliCommand command;
    try {
        command = parseCliArguments(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tervolen-cli: %s\n\n%s", e.what(), kCliUsage);
        return std::find(args.begin(), args.end(), "status") != args.end() ? static_cast<int>(StatusCode::Unknown)
                                                                            : kExitUsage;
    }
    if (command.name == "--help") {
        std::fputs(kCliUsage, stdout);
        return kExitOk;
    }
    if (command.name == "--version") {
        std::printf("tervolen-cli %s\n", readFileVersion().c_str());
        return kExitOk;
    }
    if (command.name == "status")
        return printStatus(command);
    // A settings file that is named but missing is most likely a typing error: making it would hide that.
    std::error_code error;
    if (!command.settingsFile.empty() &&
        std::filesystem::status(command.settingsFile, error).type() == std::filesystem::file_type::not_found) {
        std::fprintf(stderr, "tervolen-cli: settings file not found: %s\n", command.settingsFile.c_str());
        return kExitUsage;
    }
    int status = kExitFailure;
    try {
        if (command.name == "paths") {
            printPaths(cliPaths(command));
            return kExitOk;
        }
        status = execute(command);
    } catch (const UntrustedFileError& e) {
        std::fprintf(stderr, "tervolen-cli: error: %s\n", e.what());
        status = kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tervolen-cli: error: %s\n", e.what());
    }
    return status;
}

} // namespace tervolen
