#pragma once

#include <filesystem>
#include <string>
#include <sys/mount.h>

namespace tervolen::test {

// A small tmpfs mounted on a folder for the test's life (as root), to make a full or read-only medium.
// mounted() tells whether the mount worked; tests skip what they cannot do without it.
class TmpfsMount {
public:
    explicit TmpfsMount(const std::string& folder, const std::string& options = "size=1m,mode=0755")
        : folder_(folder), options_(options) {
        std::filesystem::create_directories(folder);
        mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;
    ~TmpfsMount() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }

    bool mounted() const { return mounted_; }
    bool makeReadOnly() {
        return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, options_.c_str()) == 0;
    }

private:
    std::string folder_;
    std::string options_;
    bool mounted_ = false;
};

} // namespace tervolen::test
