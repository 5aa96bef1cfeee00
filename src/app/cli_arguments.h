#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tervolen {

// The help text of tervolen-cli.
extern const char* const kCliUsage;

// What the command line of tervolen-cli asks for. name is "backup", "restore", "validate", "run", "paths",
// "send", "prune", "verify", "status", or "--help" / "--version" (then nothing else is filled in).
struct CliCommand {
    std::string name;
    std::string settingsFile; // empty: the default of AppPaths::forExecutable
    std::optional<std::string> option;
    std::string backupFile;
    std::string database;
    std::optional<std::string> pageSize;
    std::optional<std::string> bufferSize;
    std::string archiveFile; // send: the archive to deliver
    bool dryRun = false; // prune: only say what would go
    std::optional<std::string> warningHours;  // status: age of the last good backup that is a warning
    std::optional<std::string> criticalHours; // status: age that is critical
};

// A command line that names no command, an unknown argument, or misses a value; what() says which.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The arguments after the program name. Throws UsageError.
CliCommand parseCliArguments(const std::vector<std::string>& args);

// The name of the option list that --option of the command selects a row of.
const char* cliOptionList(const std::string& command);

} // namespace tervolen
