#pragma once

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>

namespace tervolen::test {

// Whether tests that need a tmpfs must fail instead of skipping when none can be mounted: TERVOLEN_REQUIRE_TMPFS=1,
// as scripts/test sets it, so that the full-disk and read-only paths are never left out unnoticed.
inline bool TmpfsRequired() {
    const char* required = std::getenv("TERVOLEN_REQUIRE_TMPFS");
    return required != nullptr && std::string(required) == "1";
}

// A small tmpfs mounted on a folder for the test's life (as root), to make a full or read-only medium.
// mounted() tells whether the mount worked; tests end with TERVOLEN_SKIP_WITHOUT_TMPFS when it did not.
class TmpfsMount {
public:
    explicit TmpfsMount(const std::string& folder, const std::string& options = "size=1m,mode=0755")
        : folder_(folder), options_(options) {
        std::filesystem::create_directories(folder);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
        if (!mounted_)
            error_ = std::strerror(errno);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    ~TmpfsMount() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }

    bool mounted() const { return mounted_; }
    // Why the mount failed; empty when it worked.
    const std::string& error() const { return error_; }
    bool makeReadOnly() {
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, options_.c_str()) == 0;
    }

private:
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
            if (::tervolen::test::TmpfsRequired())                                                                     \
                GTEST_FAIL() << "TERVOLEN_REQUIRE_TMPFS=1 but no tmpfs could be mounted: " << (mount).error();         \
            GTEST_SKIP() << why;                                                                                       \
        }                                                                                                              \
    } while (false)
