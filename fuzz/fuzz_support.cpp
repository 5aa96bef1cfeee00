#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

// Freed memory stays poisoned for the last 16 MiB of frees instead of 256: the parsers' 64 KiB read buffers
// would otherwise meet fresh pages on every run, which makes fuzzing several times slower.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}

namespace tervolen::fuzz {

namespace {

namespace fs = std::filesystem;

std::string baseFolder() {
    struct stat info {};
    if (::stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && ::access("/dev/shm", W_OK) == 0)
        return "/dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = baseFolder() + "/tervolen-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        path_ = pattern;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace

void propertyFailed(std::string_view property, std::string_view detail) {
    std::fprintf(stderr, "\n==== Property broken: %.*s\n", static_cast<int>(property.size()), property.data());
    if (!detail.empty())
        std::fprintf(stderr, "     %s\n", visible(detail).c_str());
    std::abort();
}

std::string scratchPath(const std::string& name) {
    static const ScratchFolder folder;
    return folder.path() + "/" + name;
}

void writeScratchFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    require(!out.fail(), "the scratch file can be written", path);
}

std::string readScratchFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    require(in.is_open(), "the scratch file can be read", path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string visible(std::string_view text) {
    std::string shown;
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 32 && byte < 127 && byte != '\\') {
            shown += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        }
    }
    return shown;
}

} // namespace tervolen::fuzz
