#include "app/cli_arguments.h"
#include "core/control_names.h"

namespace tervolen {

const char* const kCliUsage =
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
    "  verify --backup FILE [--settings FILE]\n"
    "      Restores the backup FILE into a temporary database, validates it fully and deletes it, as the test\n"
    "      restore of the backup chain does, and prints the Monitor lines.\n"
    "  status --settings FILE [--warning HOURS] [--critical HOURS]\n"
    "      Prints one line on the last good backup for a monitoring system and exits 0 OK, 1 WARNING (older\n"
    "      than --warning, default 26, or the last run failed), 2 CRITICAL (older than --critical, default 50,\n"
    "      or none) or 3 UNKNOWN (no journal, an unreadable settings file or a usage error).\n"
    "  run [--settings FILE]\n"
    "      Serves the schedule of the settings file until SIGTERM or SIGINT.\n"
    "  paths [--settings FILE]\n"
    "      Prints the mode (portable or installed) and every file and folder the program uses.\n"
    "  send --file PATH [--settings FILE]\n"
    "      Runs only the e-mail and FTP steps of the backup chain for the existing archive PATH, to test the\n"
    "      delivery settings, and prints the Monitor lines.\n"
    "  prune --settings FILE [--dry-run]\n"
    "      Removes the backup sets that the retention policy of the settings file does not keep, and prints\n"
    "      each removed file; --dry-run prints the sets it would keep, with their rules, and the files it\n"
    "      would remove.\n"
    "\n"
    "  --settings FILE  the settings file (default: tervolen.ini beside the executable when it or a file\n"
    "                   \"portable\" stands there, else $XDG_CONFIG_HOME/tervolen/tervolen.ini)\n"
    "  --help           this text\n"
    "  --version        the program's version\n"
    "\n"
    "Exit status: 0 success, 1 the job failed or reported an error, 2 usage error or, run as root, a settings\n"
    "file or Mirrors.lst that another user could have changed.\n";

const char* cliOptionList(const std::string& command) {
    if (command == "restore")
        return controls::clListaRestore;
    if (command == "validate")
        return controls::clListaValidation;
    return controls::clListaBackup;
}

CliCommand parseCliArguments(const std::vector<std::string>& args) {
    CliCommand command;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw UsageError(arg + " needs a value");
            return args[++i];
        };
        if (arg == "--help" || arg == "--version") {
            CliCommand query;
            query.name = arg;
            return query;
        } else if (arg == "--settings") {
            command.settingsFile = value();
        } else if (arg == "--option" && command.name != "run" && command.name != "paths" && command.name != "send" &&
                   command.name != "prune" && command.name != "verify" && command.name != "status" &&
                   !command.name.empty()) {
            command.option = value();
        } else if (arg == "--backup" && (command.name == "restore" || command.name == "verify")) {
            command.backupFile = value();
        } else if (arg == "--database" && (command.name == "restore" || command.name == "validate")) {
            command.database = value();
        } else if (arg == "--page-size" && command.name == "restore") {
            command.pageSize = value();
        } else if (arg == "--buffer-size" && command.name == "validate") {
            command.bufferSize = value();
        } else if (arg == "--file" && command.name == "send") {
            command.archiveFile = value();
        } else if (arg == "--warning" && command.name == "status") {
            command.warningHours = value();
        } else if (arg == "--critical" && command.name == "status") {
            command.criticalHours = value();
        } else if (arg == "--dry-run" && command.name == "prune") {
            command.dryRun = true;
        } else if (command.name.empty() && (arg == "backup" || arg == "run" || arg == "restore" || arg == "validate" ||
                                            arg == "paths" || arg == "send" || arg == "prune" ||
                                            arg == "verify" || arg == "status")) {
            command.name = arg;
        } else {
            throw UsageError("unknown argument: " + arg);
        }
    }
    if (command.name.empty())
        throw UsageError("no command given");
    if (command.name == "send" && command.archiveFile.empty())
        throw UsageError("send needs --file PATH");
    if ((command.name == "prune" || command.name == "status") && command.settingsFile.empty())
        throw UsageError(command.name + " needs --settings FILE");
    if ((command.name == "restore" || command.name == "verify") && command.backupFile.empty())
        throw UsageError(command.name + " needs --backup FILE");
    if ((command.name == "restore" || command.name == "validate") && command.database.empty())
        throw UsageError(command.name + " needs --database FILE");
    return command;
}

} // namespace tervolen
