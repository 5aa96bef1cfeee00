#include "core/atomic_file.h"
#include "core/posix_file.h"
#include "temp_dir.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

TEST(HiddenTemporary, IsLockedAndNamedAfterTheFile) {
    test::TempDir dir;
    std::string path;
    FileDescriptor fd = createHiddenTemporary(dir.path(), "t.ini", path);
    const std::string name = fs::path(path).filename().string();
    EXPECT_EQ(fs::path(path).parent_path(), dir.path());
    EXPECT_EQ(name.rfind(".t.ini.tervolen-", 0), 0u) << name;
    EXPECT_TRUE(isHiddenTemporary(name, "t.ini"));
    FileDescriptor other(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    EXPECT_NE(::flock(other.get(), LOCK_EX | LOCK_NB), 0) << "the writer holds the lock";
    struct stat info {};
    ASSERT_EQ(::fstat(fd.get(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(HiddenTemporary, StaleTemporaryIsRemoved) {
    test::TempDir dir;
    test::writeFile(dir.file(".t.ini.tervolen-Ab3xY9"), "left by a killed writer");
    std::string path;
    FileDescriptor fd = createHiddenTemporary(dir.path(), "t.ini", path);
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{fs::path(path).filename().string()});
}

TEST(HiddenTemporary, TemporaryOfALiveWriterStays) {
    test::TempDir dir;
    std::string first;
    FileDescriptor firstFd = createHiddenTemporary(dir.path(), "t.ini", first);
    test::writeFile(dir.file(".t.ini.tervolen-000000"), "");
    FileDescriptor held(::open(dir.file(".t.ini.tervolen-000000").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(held.get(), LOCK_EX | LOCK_NB), 0);

    std::string second;
    FileDescriptor secondFd = createHiddenTemporary(dir.path(), "t.ini", second);
    EXPECT_EQ(test::listing(dir.path()).size(), 3u);
    EXPECT_TRUE(fs::exists(first));
    EXPECT_TRUE(fs::exists(dir.file(".t.ini.tervolen-000000")));

    held.reset();
    removeStaleTemporaries(dir.path(), "t.ini");
    EXPECT_FALSE(fs::exists(dir.file(".t.ini.tervolen-000000")));
    EXPECT_TRUE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
}

TEST(HiddenTemporary, TemporaryOfAWriterInAnotherProcessStaysUntilItDies) {
    test::TempDir dir;
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);
    std::fflush(nullptr);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        readEnd.reset();
        std::string path;
        FileDescriptor fd = createHiddenTemporary(dir.path(), "a.zip", path);
        if (::write(writeEnd.get(), "x", 1) == 1)
            ::pause();
        ::_exit(1);
    }
    writeEnd.reset();
    char ready = 0;
    const bool started = ::read(readEnd.get(), &ready, 1) == 1;
    EXPECT_TRUE(started);
    if (started) {
        EXPECT_EQ(test::listing(dir.path()).size(), 1u);
        removeStaleTemporaries(dir.path(), "a.zip");
        EXPECT_EQ(test::listing(dir.path()).size(), 1u) << "the live writer's temporary was removed";
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    removeStaleTemporaries(dir.path(), "a.zip");
    EXPECT_TRUE(test::listing(dir.path()).empty());
}

// A killed run leaves the temporary of its own final name; the next run writes another name (a new backup stamp),
// so a writer sweeps what its kind of file left behind, whatever name it was for.
TEST(HiddenTemporary, TheSweepTakesStaleTemporariesOfOtherNamesOfTheSameKind) {
    test::TempDir dir;
    for (const char* name : {".202612104906.zip.tervolen-Ab3xY9", ".u.ini.tervolen-Zz9aB1"})
        test::writeFile(dir.file(name), "left by a killed run");
    removeStaleTemporaries(dir.path(), "202612105007.zip");
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{".u.ini.tervolen-Zz9aB1"});
    removeStaleTemporaries(dir.path(), "t.ini");
    EXPECT_TRUE(test::listing(dir.path()).empty());
}

TEST(HiddenTemporary, OtherHiddenFilesStay) {
    test::TempDir dir;
    const std::vector<std::string> others = {
        ".t.ini.backup",           // a person's copy
        ".t.ini.Ab3xY9",           // another program's temporary (rsync names them so)
        ".t.ini.tervolen-Ab3xY",   // too short
        ".t.ini.tervolen-Ab3xY9z", // too long
        ".t.ini.tervolen-Ab3_Y9",  // not letters and digits
        ".t.ini.tervolen-Ab3xY9.old",
        ".u.zip.tervolen-Ab3xY9", // another kind of file's temporary
        ".T.INI.tervolen-Ab3xY9", // names differ in case on this system
        "t.ini.tervolen-Ab3xY9",  // not hidden
        "t.ini",
    };
    for (const std::string& name : others)
        test::writeFile(dir.file(name), "keep");
    fs::create_directory(dir.file(".t.ini.tervolen-Folder"));
    test::writeFile(dir.file("target"), "keep");
    fs::create_symlink(dir.file("target"), dir.file(".t.ini.tervolen-Link00"));

    removeStaleTemporaries(dir.path(), "t.ini");
    for (const std::string& name : others)
        EXPECT_TRUE(fs::exists(dir.file(name))) << name;
    EXPECT_TRUE(fs::is_directory(dir.file(".t.ini.tervolen-Folder")));
    EXPECT_TRUE(fs::is_symlink(dir.file(".t.ini.tervolen-Link00")));
    EXPECT_EQ(test::readFile(dir.file("target")), "keep");
}

TEST(HiddenTemporary, LongNamesAreCutWithoutSplittingACharacter) {
    test::TempDir dir;
    // 199 bytes and then a two-byte character that the cut at 200 bytes would split.
    const std::string name = std::string(199, 'n') + "\xC3\xA9" + std::string(53, 'n');
    ASSERT_EQ(name.size(), 254u);
    writeFileAtomically(dir.file(name), "content");
    EXPECT_EQ(test::readFile(dir.file(name)), "content");

    std::string path;
    FileDescriptor fd = createHiddenTemporary(dir.path(), name, path);
    const std::string temporary = fs::path(path).filename().string();
    EXPECT_EQ(temporary.rfind("." + std::string(199, 'n') + ".tervolen-", 0), 0u) << temporary;
    EXPECT_TRUE(isHiddenTemporary(temporary, name));
}

TEST(AtomicFile, ReplacesTheFileAndLeavesNoTemporary) {
    test::TempDir dir;
    test::writeFile(dir.file("t.ini"), "old");
    test::writeFile(dir.file(".t.ini.tervolen-Ab3xY9"), "stale");
    writeFileAtomically(dir.file("t.ini"), "new", 0600);
    EXPECT_EQ(test::readFile(dir.file("t.ini")), "new");
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{"t.ini"});
}

} // namespace
} // namespace tervolen
