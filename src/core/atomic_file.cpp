#include "core/atomic_file.h"

#include "core/errors.h"
#include "core/posix_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

namespace tervolen {

namespace fs = std::filesystem;

namespace {

constexpr unsigned kNewFileMode = 0644;

std::string FileBehind(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? path : resolved.string();
}

unsigned ExistingModeOr(const std::string& target, unsigned fallback) {
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return info.st_mode & 07777;
    return fallback;
}

} // namespace

void ThrowFileError(const std::string& what, const std::string& path, int code) {
    throw Error(what + " \"" + path + "\". " + std::strerror(code));
}

FileDescriptor CreateHiddenTemporary(const std::string& folder, const std::string& name, std::string& path,
                                     const std::string& shownPath) {
    std::string pattern = (fs::path(folder.empty() ? "." : folder) / ("." + name + ".XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    FileDescriptor fd(::mkostemp(buffer.data(), O_CLOEXEC));
    if (!fd.valid())
        ThrowFileError("Cannot create file", shownPath.empty() ? pattern : shownPath, errno);
    path = buffer.data();
    return fd;
}

void WriteFileAtomically(const std::string& path, std::string_view bytes, std::optional<unsigned> mode,
                         bool createFolders) {
    const std::string target = FileBehind(path);
    const std::string folder = fs::path(target).parent_path().string();
    if (createFolders && !folder.empty()) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec)
            ThrowFileError("Cannot create file", path, ec.value());
    }
    const unsigned fileMode = mode ? *mode : ExistingModeOr(target, kNewFileMode);
    std::string temporaryPath;
    FileDescriptor out = CreateHiddenTemporary(folder, fs::path(target).filename().string(), temporaryPath, path);
    TemporaryFile temporary(temporaryPath);
    while (!bytes.empty()) {
        ssize_t n = ::write(out.get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowFileError("Cannot write file", path, errno);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    if (::fchmod(out.get(), fileMode) != 0 || ::fsync(out.get()) != 0 || ::close(out.release()) != 0)
        ThrowFileError("Cannot write file", path, errno);
    if (::rename(temporary.path().c_str(), target.c_str()) != 0)
        ThrowFileError("Cannot create file", path, errno);
    temporary.keep();
    FileDescriptor folderHandle(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderHandle.valid())
        ::fsync(folderHandle.get());
}

} // namespace tervolen
