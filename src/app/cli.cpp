#include "app/cli.h"

#include "app/console_dialogs.h"
#include "app/console_monitor.h"
#include "app/program.h"
#include "core/folder_safety.h"
#include "core/headless_form.h"
#include "core/instance_lock.h"
#include "core/progress_rate.h"
#include "core/time_format.h"
#include "core/version.h"

#include <csignal>
#include <cstdio>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/signalfd.h>
#include <unistd.h>
#include <vector>

namespace tervolen {

namespace {

constexpr const char* kUsage =
    "Usage: tervolen-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  backup [--settings FILE] [--option TEXT]\n"
    "      Runs one backup with its post-processing chain and prints the Monitor lines.\n"
    "      --option names the backup option row by its text, e.g. \"Ignore Limbo\".\n"
    "  restore --backup FILE --database TARGET [--page-size N] [--option TEXT] [--settings FILE]\n"
    "      Restores the backup FILE into the database TARGET (paths as the server sees them) and prints\n"
    "      the Monitor lines. --page-size 0 (the default) leaves the page size to the server; --option\n"
    "      names the restore option row, e.g. \"Replace\" (default \"CreateNewDB\").\n"
    "  validate --database FILE [--option TEXT] [--buffer-size N] [--settings FILE]\n"
    "      Validates the database FILE and prints the Monitor lines. --option names the validation\n"
    "      option row, e.g. \"ValidateFull\"; --buffer-size is the answer buffer (default 32000).\n"
    "  run [--settings FILE]\n"
    "      Serves the schedule of the settings file until SIGTERM or SIGINT.\n"
    "\n"
    "  --settings FILE  the settings file (default: tervolen.ini beside the executable)\n"
    "  --help           this text\n"
    "  --version        the program's version\n"
    "\n"
    "Exit status: 0 success, 1 the job failed or reported an error, 2 usage error or, run as root, a settings\n"
    "file or Mirrors.lst that another user could have changed.\n";

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Command {
    std::string name;
    std::string settingsFile;
    std::optional<std::string> option;
    std::string backupFile;
    std::string database;
    std::optional<std::string> pageSize;
    std::optional<std::string> bufferSize;
};

// The option list of each command that takes --option.
const char* OptionList(const std::string& command) {
    if (command == "restore")
        return "clListaRestore";
    if (command == "validate")
        return "clListaValidation";
    return "clListaBackup";
}

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

Command ParseArguments(const std::vector<std::string>& args) {
    Command command;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--help" || arg == "--version") {
            Command query;
            query.name = arg;
            return query;
        } else if (arg == "--settings") {
            command.settingsFile = value();
        } else if (arg == "--option" && command.name != "run" && !command.name.empty()) {
            command.option = value();
        } else if (arg == "--backup" && command.name == "restore") {
            command.backupFile = value();
        } else if (arg == "--database" && (command.name == "restore" || command.name == "validate")) {
            command.database = value();
        } else if (arg == "--page-size" && command.name == "restore") {
            command.pageSize = value();
        } else if (arg == "--buffer-size" && command.name == "validate") {
            command.bufferSize = value();
        } else if (command.name.empty() && (arg == "backup" || arg == "run" || arg == "restore" || arg == "validate")) {
            command.name = arg;
        } else {
            throw UsageError("unknown argument: " + arg);
        }
    }
    if (command.name.empty())
        throw UsageError("no command given");
    if (command.name == "restore" && command.backupFile.empty())
        throw UsageError("restore needs --backup FILE");
    if ((command.name == "restore" || command.name == "validate") && command.database.empty())
        throw UsageError(command.name + " needs --database FILE");
    return command;
}

// SIGINT and SIGTERM, read through a descriptor so that the program ends between the steps of a job.
class TerminationSignals {
public:
    TerminationSignals() {
        sigemptyset(&mask_);
        sigaddset(&mask_, SIGINT);
        sigaddset(&mask_, SIGTERM);
        sigprocmask(SIG_BLOCK, &mask_, nullptr);
        fd_.reset(::signalfd(-1, &mask_, SFD_CLOEXEC | SFD_NONBLOCK));
    }
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    ~TerminationSignals() { sigprocmask(SIG_UNBLOCK, &mask_, nullptr); }

    // Waits at most timeoutMs for a signal; true once one came.
    bool wait(int timeoutMs) {
        if (!received_) {
            pollfd p{fd_.get(), POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) > 0) {
                signalfd_siginfo info{};
                received_ = ::read(fd_.get(), &info, sizeof info) > 0;
            }
        }
        return received_;
    }

private:
    sigset_t mask_{};
    FileDescriptor fd_;
    bool received_ = false;
};

bool SelectOptionRow(FormState& form, const char* list, const std::string& text) {
    for (int i = 0; i < form.itemCount(list); ++i) {
        if (form.itemText(list, i) == text) {
            form.setItemIndex(list, i);
            return true;
        }
    }
    return false;
}

// Fills the page of the restore or the validation as the user would before pressing its button.
void FillJobPage(FormState& form, const Command& command) {
    if (command.name == "restore") {
        form.setText("EditGBK", command.backupFile);
        form.setText("EditRestore", command.database);
        form.setText("LabeledEdPageSize", command.pageSize.value_or("0"));
    } else {
        form.setText("DBValidateEdit", command.database);
        if (command.bufferSize)
            form.setText("ValidateBufferEdit", *command.bufferSize);
    }
}

int Execute(const Command& command) {
    AppPaths paths = AppPaths::ForSettingsFile(command.settingsFile.empty() ? ExecutableDir() + "/tervolen.ini"
                                                                            : command.settingsFile);
    HeadlessForm form;
    ConsoleDialogs dialogs(form, stderr);
    MonitorLog monitor;
    SystemClock clock;
    bool scheduler = command.name == "run";
    std::function<std::string()> stamp;
    if (scheduler)
        stamp = [&clock] { return LogTimeStamp(clock.now()); };
    ConsoleMonitorPrinter printer(monitor, stdout, ::isatty(STDOUT_FILENO) != 0, stamp);
    monitor.addListener(&printer);

    if (command.option && !SelectOptionRow(form, OptionList(command.name), *command.option)) {
        std::fprintf(stderr, "tervolen-cli: unknown %s option: %s\n", command.name.c_str(), command.option->c_str());
        return kExitUsage;
    }

    std::optional<InstanceLock> lock;
    if (scheduler) {
        lock = InstanceLock::Acquire(paths.settingsFile);
        if (!lock) {
            std::fprintf(stderr, "tervolen-cli: Tervolen is already running for %s\n", paths.settingsFile.c_str());
            return kExitFailure;
        }
    }
    TerminationSignals signals;
    Program::Options options;
    options.registerAutostart = false;
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
    program.Startup();
    // A warning about an open folder is no failure of the job.
    const bool startupFailed = printer.errorSeen();
    program.WarnAboutOpenFolders();
    if (!startupFailed)
        printer.resetErrors();

    if (command.name == "restore" || command.name == "validate") {
        FillJobPage(form, command);
        form.click(command.name == "restore" ? "InitRestore" : "JvTranspValidation");
        bool ok = !printer.errorSeen() && !dialogs.errorReported();
        return ok ? kExitOk : kExitFailure;
    }
    if (!scheduler) {
        Program::BackupOutcome outcome = program.RunBackup(false);
        bool ok = outcome.result && !printer.errorSeen() && !dialogs.errorReported();
        return ok ? kExitOk : kExitFailure;
    }
    while (!signals.wait(1000))
        program.TimerTimer();
    return kExitOk;
}

} // namespace

int RunCli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    Command command;
    try {
        command = ParseArguments(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "tervolen-cli: %s\n\n%s", e.what(), kUsage);
        return kExitUsage;
    }
    if (command.name == "--help") {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    if (command.name == "--version") {
        std::printf("tervolen-cli %s\n", ReadFileVersion().c_str());
        return kExitOk;
    }
    int status = kExitFailure;
    try {
        status = Execute(command);
    } catch (const UntrustedFileError& e) {
        std::fprintf(stderr, "tervolen-cli: error: %s\n", e.what());
        status = kExitUsage;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tervolen-cli: error: %s\n", e.what());
    }
    return status;
}

} // namespace tervolen
