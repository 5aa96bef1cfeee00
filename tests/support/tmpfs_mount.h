#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>

namespace tervolen::test {

// Whether tests that need a tmpfs must fail instead of skipping when none can be mounted: TERVOLEN_REQUIRE_TMPFS=1,
// as scripts/test sets it, so that the full-disk and read-only paths are never left out unnoticed.
inline bool tmpfsRequired() {
    const char* required = std::getenv("TERVOLEN_REQUIRE_TMPFS");
    return required != nullptr && std::string(required) == "1";
}

// A small tmpfs mounted on a folder for the test's life (as root), to make a full or read-only medium. Where no
// tmpfs can be mounted and the failing-writes library (tests/support/failing_writes.c) is preloaded, the folder
// becomes such a medium through it instead. mounted() tells whether either worked; tests end with
// TERVOLEN_SKIP_WITHOUT_TMPFS when neither did.
class TmpfsMount {
public:
    explicit TmpfsMount(const std::string& folder, const std::string& options = "size=1m,mode=0755")
        : folder_(folder), options_(options) {
        std::filesystem::create_directories(folder);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!mounted_)
            error_ = std::strerror(errno);
        if (!mounted_ && ::dlsym(RTLD_DEFAULT, "tervolen_failing_writes_loaded") != nullptr) {
            hooked_ = true;
            setEntry("full=" + std::to_string(sizeBytes()) + "=" + std::filesystem::absolute(folder).string());
        }
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    ~TmpfsMount() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
        if (hooked_)
            setEntry({});
    }

    bool mounted() const { return mounted_ || hooked_; }
    // Why the mount failed; empty when it worked.
    const std::string& error() const { return error_; }
    bool makeReadOnly() {
        if (hooked_) {
            setEntry("read-only=" + std::filesystem::absolute(folder_).string());
            return true;
        }
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, options_.c_str()) == 0;
    }

private:
    // The size option's bytes ("size=64k", "size=1m").
    long long sizeBytes() const {
        const size_t at = options_.find("size=");
        if (at == std::string::npos)
            return 0;
        char* unit = nullptr;
        long long bytes = std::strtoll(options_.c_str() + at + 5, &unit, 10);
        if (*unit == 'k')
            bytes <<= 10;
        else if (*unit == 'm')
            bytes <<= 20;
        return bytes;
    }

    // Replaces this folder's entry in the library's list (an empty entry removes it).
    void setEntry(const std::string& entry) {
        const char* current = std::getenv("TERVOLEN_FAILING_WRITES");
        std::string list;
        std::string rest = current == nullptr ? "" : current;
        const std::string folder = std::filesystem::absolute(folder_).string();
        for (size_t start = 0; start < rest.size();) {
            size_t end = rest.find(';', start);
            if (end == std::string::npos)
                end = rest.size();
            const std::string item = rest.substr(start, end - start);
            if (!item.ends_with("=" + folder))
                list += (list.empty() ? "" : ";") + item;
            start = end + 1;
        }
        if (!entry.empty())
            list += (list.empty() ? "" : ";") + entry;
        ::setenv("TERVOLEN_FAILING_WRITES", list.c_str(), 1);
    }

    bool hooked_ = false;
    std::string folder_;
    std::string options_;
    bool mounted_ = false;
    std::string error_;
};

} // namespace tervolen::test

// Ends the test when mount is not mounted: skipped with why, or failed when a tmpfs is required.
#define TERVOLEN_SKIP_WITHOUT_TMPFS(mount, why)                                                                        \
    do {                                                                                                               \
        if (!(mount).mounted()) {                                                                                      \
            if (::tervolen::test::tmpfsRequired())                                                                     \
                GTEST_FAIL() << "TERVOLEN_REQUIRE_TMPFS=1 but no tmpfs could be mounted: " << (mount).error();         \
            GTEST_SKIP() << why;                                                                                       \
        }                                                                                                              \
    } while (false)
