#include "copies/file_copy.h"
#include "core/errors.h"
#include "temp_dir.h"
#include "tmpfs_mount.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

size_t entryCount(const std::string& folder) {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder))
        ++n;
    return n;
}

TEST(FileCopy, CreatesMissingFoldersAndCopiesBytes) {
    test::TempDir dir;
    std::string content(3 << 20, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7919 % 251);
    test::writeFile(dir.file("a.zip"), content);
    std::string written = copyFileKeepingExisting(openRegularFile(dir.file("a.zip")), dir.file("m1/deep/er"), "a.zip");
    EXPECT_EQ(written, dir.file("m1/deep/er/a.zip"));
    EXPECT_EQ(test::readFile(written), content);
    EXPECT_EQ(entryCount(dir.file("m1/deep/er")), 1u) << "no temporary file left";
}

TEST(FileCopy, KeepsExistingFilesAndPicksNewNames) {
    test::TempDir dir;
    test::writeFile(dir.file("a.zip"), "new");
    fs::create_directory(dir.file("m"));
    test::writeFile(dir.file("m/a.zip"), "old");
    EXPECT_EQ(copyFileKeepingExisting(openRegularFile(dir.file("a.zip")), dir.file("m"), "a.zip"),
              dir.file("m/a (2).zip"));
    EXPECT_EQ(copyFileKeepingExisting(openRegularFile(dir.file("a.zip")), dir.file("m"), "a.zip"),
              dir.file("m/a (3).zip"));
    EXPECT_EQ(test::readFile(dir.file("m/a.zip")), "old");
    EXPECT_EQ(test::readFile(dir.file("m/a (3).zip")), "new");
    EXPECT_EQ(entryCount(dir.file("m")), 3u);
}

TEST(FileCopy, FailuresNameThePathAndLeaveNothing) {
    test::TempDir dir;
    EXPECT_THROW(copyFileKeepingExisting(openRegularFile(dir.file("missing.zip")), dir.file("m"), "missing.zip"),
                 Error);
    EXPECT_FALSE(fs::exists(dir.file("m")));

    test::writeFile(dir.file("a.zip"), std::string(256 * 1024, 'x'));
    // As root, folder rights do not stop a write, so the read-only and full media are small tmpfs mounts.
    test::TmpfsMount readOnly(dir.file("ro"), "size=1m,mode=0555");
    if (readOnly.mounted())
        ASSERT_TRUE(readOnly.makeReadOnly());
    else if (test::tmpfsRequired())
        ADD_FAILURE() << "TERVOLEN_REQUIRE_TMPFS=1 but no tmpfs could be mounted: " << readOnly.error();
    else
        ::chmod(dir.file("ro").c_str(), 0555);
    if (readOnly.mounted() || ::geteuid() != 0) {
        EXPECT_THROW(copyFileKeepingExisting(openRegularFile(dir.file("a.zip")), dir.file("ro"), "a.zip"), Error);
        EXPECT_EQ(entryCount(dir.file("ro")), 0u);
    }

    test::TmpfsMount full(dir.file("full"), "size=64k,mode=0755");
    TERVOLEN_SKIP_WITHOUT_TMPFS(full, "a full medium needs a tmpfs mount (root)");
    try {
        copyFileKeepingExisting(openRegularFile(dir.file("a.zip")), dir.file("full"), "a.zip");
        ADD_FAILURE() << "a copy onto a full medium succeeded";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(dir.file("full")), std::string::npos) << e.what();
    }
    EXPECT_EQ(entryCount(dir.file("full")), 0u);
}

} // namespace
} // namespace tervolen
