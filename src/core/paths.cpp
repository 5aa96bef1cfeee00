#include "core/paths.h"

#include "core/errors.h"
#include "core/posix_file.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include <system_error>

namespace tervolen {

std::string changeFileExt(const std::string& path, const std::string& ext) {
    size_t dot = path.find_last_of("./\\:");
    if (dot != std::string::npos && path[dot] == '.')
        return path.substr(0, dot) + ext;
    return path + ext;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind(kPathDelim);
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    size_t slash = path.rfind(kPathDelim);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::filesystem::path executablePath() {
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        throw Error("Cannot determine the executable's path: " + ec.message());
    return path;
}

namespace {

namespace fs = std::filesystem;

bool standsIn(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    return fs::symlink_status(folder / name, ec).type() != fs::file_type::not_found && !ec;
}

std::string homeFolder(const EnvironmentReader& environment) {
    std::string home = environment("HOME");
    if (!home.empty())
        return home;
    const passwd* account = ::getpwuid(::getuid());
    if (account == nullptr || account->pw_dir == nullptr || account->pw_dir[0] == '\0')
        throw Error("Cannot determine the home folder: HOME is not set");
    return account->pw_dir;
}

// An XDG base folder: the variable when it holds an absolute path (the XDG rules ignore relative ones),
// else the default below the home folder.
std::string baseFolder(const EnvironmentReader& environment, const std::string& variable,
                       const std::string& belowHome) {
    std::string value = environment(variable);
    if (!value.empty() && value[0] == '/')
        return value;
    return homeFolder(environment) + kPathDelim + belowHome;
}

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && path.back() == kPathDelim)
        path.pop_back();
    return path;
}

std::string processEnvironment(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : "";
}

bool isPortable(const fs::path& exeDir, const std::string& settingsName) {
    return standsIn(exeDir, "tervolen.ini") || standsIn(exeDir, settingsName) || standsIn(exeDir, "portable");
}

// The language files: "Lang" beside a portable executable, <prefix>/share/tervolen/lang for <prefix>/bin/<exe>.
std::string languageDirOf(const fs::path& exeDir, bool portable) {
    if (portable)
        return (exeDir / "Lang").string();
    return (exeDir.parent_path() / "share" / "tervolen" / "lang").lexically_normal().string();
}

} // namespace

AppPaths AppPaths::forExecutable(const std::filesystem::path& exe, const std::string& settingsName,
                                 const EnvironmentReader& environment) {
    const fs::path exeDir = exe.parent_path();
    AppPaths paths;
    if (isPortable(exeDir, settingsName)) {
        paths.mode = PathMode::Portable;
        paths.baseDir = exeDir.string();
        paths.settingsFile = (exeDir / settingsName).string();
        paths.dataDir = paths.baseDir;
        paths.languageDir = languageDirOf(exeDir, true);
        return paths;
    }
    paths.mode = PathMode::Installed;
    const std::string appFolder = std::string(1, kPathDelim) + "tervolen";
    paths.baseDir = withoutTrailingSeparators(baseFolder(environment, "XDG_CONFIG_HOME", ".config")) + appFolder;
    paths.settingsFile = paths.baseDir + kPathDelim + "tervolen.ini";
    paths.dataDir = withoutTrailingSeparators(baseFolder(environment, "XDG_DATA_HOME", ".local/share")) + appFolder;
    paths.languageDir = languageDirOf(exeDir, false);
    return paths;
}

AppPaths AppPaths::forExecutable(const std::string& settingsName) {
    return forExecutable(executablePath(), settingsName, processEnvironment);
}

AppPaths AppPaths::forSettingsFile(const std::string& settingsFile) {
    auto absolute = std::filesystem::absolute(settingsFile);
    const fs::path exeDir = executablePath().parent_path();
    AppPaths paths;
    paths.mode = PathMode::Named;
    paths.baseDir = absolute.parent_path().string();
    paths.settingsFile = absolute.string();
    paths.dataDir = paths.baseDir;
    paths.languageDir = languageDirOf(exeDir, isPortable(exeDir, "tervolen.ini"));
    return paths;
}

const char* pathModeName(PathMode mode) {
    switch (mode) {
    case PathMode::Portable:
        return "portable";
    case PathMode::Installed:
        return "installed";
    case PathMode::Named:
        return "settings file named on the command line";
    }
    return "";
}

void createSettingsFolder(const AppPaths& paths) {
    if (paths.mode != PathMode::Installed)
        return;
    std::error_code ec;
    fs::create_directories(paths.baseDir, ec);
    if (ec)
        throwFileError("Cannot create folder", paths.baseDir, ec.value());
}

} // namespace tervolen
