#include "core/paths.h"

#include "core/errors.h"

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

std::string executableDir() { return executablePath().parent_path().string(); }

AppPaths AppPaths::forExecutable() {
    std::string exe = executablePath().string();
    return AppPaths{executableDir(), changeFileExt(exe, ".ini")};
}

AppPaths AppPaths::forSettingsFile(const std::string& settingsFile) {
    auto absolute = std::filesystem::absolute(settingsFile);
    return AppPaths{absolute.parent_path().string(), absolute.string()};
}

} // namespace tervolen
