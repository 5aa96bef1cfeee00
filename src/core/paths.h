#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace tervolen {

// The extension of a path is the text from the last "." that follows the last path separator;
// it is replaced by ext, or ext is appended when the name has none.
std::string changeFileExt(const std::string& path, const std::string& ext);

// The platform's folder separator, used where folder and file names are joined.
inline constexpr char kPathDelim = '/';

// The folder part of path: "." for a bare name, "/" for a name in the root folder.
std::string folderOf(const std::string& path);

// The name part of path, after its last separator.
std::string nameOf(const std::string& path);

// How the folders of AppPaths were chosen.
enum class PathMode {
    Portable,  // a "tervolen.ini" or a file "portable" stands beside the executable: everything stays there
    Installed, // the XDG base folders of the user
    Named,     // a settings file named on the command line: everything beside it
};

// The value of an environment variable; empty when it is not set.
using EnvironmentReader = std::function<std::string(const std::string& name)>;

// Where the program keeps its files: the settings file and "Mirrors.lst" in baseDir, the default folders
// (DefaultLogs, DefaultBackups, DefaultRestores) in dataDir (baseDir when empty), the language files in
// languageDir.
struct AppPaths {
    std::string baseDir;      // without a trailing separator
    std::string settingsFile; // full path
    std::string dataDir{};
    std::string languageDir{};
    PathMode mode = PathMode::Portable;

    // A file of the settings folder, such as "Mirrors.lst".
    std::string join(const std::string& name) const { return baseDir + kPathDelim + name; }
    // A default folder, such as "DefaultLogs".
    std::string dataPath(const std::string& name) const {
        return (dataDir.empty() ? baseDir : dataDir) + kPathDelim + name;
    }

    // The rules for the running executable, read from the process's environment; settingsName is the
    // settings file's name in portable mode.
    static AppPaths forExecutable(const std::string& settingsName);
    // The rules for an executable at exe with the given environment. Throws Error when neither HOME nor the
    // XDG folder in question is set in installed mode.
    static AppPaths forExecutable(const std::filesystem::path& exe, const std::string& settingsName,
                                  const EnvironmentReader& environment);
    // Everything beside the given settings file; the language files as for the running executable.
    static AppPaths forSettingsFile(const std::string& settingsFile);
};

// The name of a mode as "tervolen-cli paths" prints it.
const char* pathModeName(PathMode mode);

// Creates the settings folder (0700, with its parents) in installed mode, where it may not exist yet.
// Throws Error with the system's reason.
void createSettingsFolder(const AppPaths& paths);

// Full path of the running executable.
std::filesystem::path executablePath();

} // namespace tervolen
