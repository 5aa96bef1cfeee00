#pragma once

#include <filesystem>
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

// Where the program keeps its files: the settings file, "Mirrors.lst", the default folders and "Lang".
// The window uses the executable's folder; the command-line tool may name another settings file.
struct AppPaths {
    std::string baseDir;      // without a trailing separator
    std::string settingsFile; // full path

    std::string join(const std::string& name) const { return baseDir + kPathDelim + name; }

    // <exe dir>/<exe name>.ini beside the running executable.
    static AppPaths forExecutable();
    // The folder of the given settings file.
    static AppPaths forSettingsFile(const std::string& settingsFile);
};

// Full path of the running executable.
std::filesystem::path executablePath();

// Folder of the running executable, without a trailing separator.
std::string executableDir();

} // namespace tervolen
