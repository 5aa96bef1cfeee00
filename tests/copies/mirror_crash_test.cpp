#include "copies/copy_to_mirrors.h"
#include "core/posix_file.h"
#include "crash_harness.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <random>
#include <stdexcept>

namespace tervolen {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kArchiveName = "200612093015.zip";
constexpr const char* kSecondCopyName = "200612093015 (2).zip";

// CopyToMirrors copying the run's archive into two mirror folders (one of them still to be created), killed while
// it works. In each mirror a file under a final name must equal the archive; the next run leaves no temporary.
class MirrorCrash : public ::testing::Test {
protected:
    void prepare(size_t archiveSize) {
        fs::create_directory(dir.file("backups"));
        std::mt19937 random(3);
        archive.resize(archiveSize);
        for (char& c : archive)
            c = static_cast<char>(random());
        test::writeFile(dir.file("backups/") + kArchiveName, archive);
    }

    void copy() {
        MonitorLog monitor;
        copyToMirrors(openRegularFile(dir.file("backups/") + kArchiveName), mirrors, monitor);
        if (!monitor.empty())
            throw std::runtime_error(monitor.paragraph(monitor.size() - 1).text);
    }

    void reset() {
        for (const std::string& mirror : mirrors)
            fs::remove_all(mirror);
    }

    // Where the kill landed in one mirror, judged by what is there: "before" (nothing), "during" (a temporary only)
    // or "after" (the copy, perhaps with its temporary not yet removed). Anything else fails the test.
    std::string landing(const std::string& mirror) {
        bool temporary = false;
        bool copied = false;
        for (const std::string& name : test::listing(mirror)) {
            if (isHiddenTemporary(name, kArchiveName)) {
                temporary = true;
                continue;
            }
            EXPECT_EQ(name, kArchiveName) << "unexpected file in " << mirror;
            EXPECT_TRUE(test::readFile(mirror + "/" + name) == archive) << "the copy in " << mirror << " is not whole";
            copied = true;
        }
        return copied ? "after" : temporary ? "during" : "before";
    }

    // The next run copies again: a mirror that already holds the archive gets a second copy beside it.
    void nextRunAndReset(const std::vector<std::string>& landed) {
        copy();
        for (size_t i = 0; i < mirrors.size(); ++i) {
            std::vector<std::string> expected{kArchiveName};
            if (landed[i] == "after")
                expected.insert(expected.begin(), kSecondCopyName);
            EXPECT_EQ(test::listing(mirrors[i]), expected) << "a temporary survived in " << mirrors[i];
            for (const std::string& name : expected)
                EXPECT_TRUE(test::readFile(mirrors[i] + "/" + name) == archive) << name;
        }
        reset();
    }

    // Checks one run that has ended (killed or not) and runs the next; adds where it landed per mirror.
    void checkRun(test::RunEnd end, std::vector<test::KillTally>& tallies) {
        std::vector<std::string> landed;
        for (size_t i = 0; i < mirrors.size(); ++i) {
            landed.push_back(landing(mirrors[i]));
            tallies[i].add(end == test::RunEnd::Finished ? "finished" : landed.back());
        }
        EXPECT_TRUE(end == test::RunEnd::Killed || landed == std::vector<std::string>(mirrors.size(), "after"));
        nextRunAndReset(landed);
    }

    static bool holdsCopyAndTemporary(const std::string& mirror) {
        const std::vector<std::string> names = test::listing(mirror);
        return names.size() == 2 && isHiddenTemporary(names[0], kArchiveName) && names[1] == kArchiveName;
    }

    std::string summary(const std::vector<test::KillTally>& tallies) const {
        return "first mirror: " + tallies[0].text() + "; second mirror: " + tallies[1].text();
    }

    test::TempDir dir;
    const std::vector<std::string> mirrors{dir.file("m1"), dir.file("m2/deep")};
    std::string archive;
};

TEST_F(MirrorCrash, KilledAtRandomMomentsEveryCopyIsWhole) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    prepare(256 << 10);
    std::vector<test::KillTally> tallies(mirrors.size());
    test::killAtRandomMoments(
        "mirror copies", [&] { copy(); }, [&] { reset(); }, [&](test::RunEnd end) { checkRun(end, tallies); },
        [&] { return summary(tallies); });
    if (HasFailure())
        return;
    EXPECT_GT(tallies[0].count("during") + tallies[1].count("during"), 0) << "no kill landed while copying";
}

TEST_F(MirrorCrash, KilledAtEverySystemCallEveryCopyIsWhole) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    prepare(64 << 10);
    std::vector<test::KillTally> tallies(mirrors.size());
    std::vector<bool> killedRightAfterLink(mirrors.size(), false);
    auto checkKill = [&](const test::TracedKill& kill) {
        // Between giving the copy its name and removing the temporary name: both are there, the copy is whole.
        if (kill.end == test::RunEnd::Killed && test::putsFileInPlace(kill.lastCall)) {
            bool seen = false;
            for (size_t i = 0; i < mirrors.size(); ++i)
                if (holdsCopyAndTemporary(mirrors[i]))
                    seen = killedRightAfterLink[i] = true;
            EXPECT_TRUE(seen);
        }
        checkRun(kill.end, tallies);
    };
    const int calls = test::killAtEverySystemCall([&] { copy(); }, checkKill);
    std::cout << "mirror copies: " << calls << " system calls, killed at each (" << summary(tallies) << ")\n";
    if (HasFailure())
        return;
    EXPECT_EQ(killedRightAfterLink, std::vector<bool>(mirrors.size(), true));
}

// A kill keeps the page cache, so the kills above would pass without any flush; a power cut does not.
TEST_F(MirrorCrash, EveryCopyIsFlushedBeforeItsLinkAndItsFolderAfter) {
    ASSERT_EQ(test::threadCount(), 1) << "fork needs a process without other threads";
    prepare(64 << 10);
    test::RunEnd end = test::RunEnd::Failed;
    const std::vector<test::SystemCall> calls = test::traceSystemCalls([&] { copy(); }, &end);
    ASSERT_EQ(end, test::RunEnd::Finished);
    for (const std::string& mirror : mirrors) {
        SCOPED_TRACE(mirror);
        test::expectPutInPlaceDurably(calls, mirror + "/" + kArchiveName);
    }
}

} // namespace
} // namespace tervolen
