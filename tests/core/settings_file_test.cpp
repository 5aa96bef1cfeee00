#include "core/errors.h"
#include "core/settings_file.h"
#include "temp_dir.h"
#include "tmpfs_mount.h"
#include "unprivileged_user.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <vector>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

using namespace std::string_literals;

// A small tmpfs on a folder of its own, unmounted at the end.

struct stat statOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Sets the modification time far into the past, so that any rewrite shows.
void ageFile(const std::string& path) {
    const struct timespec times[2] = {{978307200, 0}, {978307200, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::string normalisedText(const test::TempDir& dir, const std::string& content) {
    test::writeFile(dir.file("t.ini"), content);
    return SettingsFile::openSettings(dir.file("t.ini")).text();
}

std::vector<std::string> sectionHeaders(const std::string& text) {
    std::vector<std::string> headers;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        if (text[start] == '[')
            headers.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return headers;
}

TEST(SettingsFileRead, NormalisesTheDocument) {
    struct Case {
        const char* name;
        std::string content;
        std::string expected;
    };
    const Case cases[] = {
        {"comments, blanks and lines before the first section go",
         "; comment\r\n\r\nStray=1\r\n[S]\r\n  ; in section\r\n\r\n  Key  =  value  \r\n[T]\r\nA=1",
         "[S]\r\nKey=value\r\n\r\n[T]\r\nA=1\r\n\r\n"},
        {"CR LF, LF and CR end lines", "[S]\nA=1\rB=2\r\nC=3\n\rD=4", "[S]\r\nA=1\r\nB=2\r\nC=3\r\nD=4\r\n\r\n"},
        {"section names are trimmed", "[  DAYS \t]\r\nMonday = 1", "[DAYS]\r\nMonday=1\r\n\r\n"},
        {"lines without = stay as keyless entries", "[S]\r\n just text \r\n", "[S]\r\njust text\r\n\r\n"},
        {"duplicate sections stay separate", "[S]\r\nA=1\r\n[s]\r\nA=2\r\n", "[S]\r\nA=1\r\n\r\n[s]\r\nA=2\r\n\r\n"},
        {"[ without ] is an entry", "[S]\r\n[broken\r\n", "[S]\r\n[broken\r\n\r\n"},
        {"[ without ] before any section is dropped", "[broken\r\nA=1\r\n", ""},
        {"[] is a section without name", "[]\r\nA=1", "[]\r\nA=1\r\n\r\n"},
        {"a header may hold =", "[a=b]\r\n=v\r\nk=\r\nk2 = = v", "[a=b]\r\n=v\r\nk=\r\nk2== v\r\n\r\n"},
        {"control characters and NUL at the edges are trimmed", "\0[S]\0\r\n\tk=\0v\0\r\n\x01\x02\r\n"s,
         "[S]\r\nk=v\r\n\r\n"},
        {"inner NUL and 8-bit bytes are kept", "[S\xE9]\r\nk=a\0b\xFF\r\n"s, "[S\xE9]\r\nk=a\0b\xFF\r\n\r\n"s},
        {"empty file", "", ""},
        {"only junk", "\xFF\xFE\x00\x01]]==[\r\r\n"s, ""},
    };
    test::TempDir dir;
    for (const auto& c : cases)
        EXPECT_EQ(normalisedText(dir, c.content), c.expected) << c.name;
}

TEST(SettingsFileRead, KeepsVeryLongLinesWhole) {
    test::TempDir dir;
    const std::string value(3 << 20, 'v');
    test::writeFile(dir.file("t.ini"), "[S]\r\nK=" + value + "\r\nB=2");
    const SettingsFile settings = SettingsFile::openSettings(dir.file("t.ini"));
    EXPECT_EQ(settings.readText("S", "K", ""), value);
    EXPECT_EQ(settings.readText("S", "B", ""), "2");
}

TEST(SettingsFileRead, LookupsIgnoreCaseAndTakeTheLastOccurrence) {
    test::TempDir dir;
    test::writeFile(dir.file("t.ini"), "[directorys]\r\nbackupdir=/b1\r\n"
                                       "[DAYS]\r\nMonday=0\r\nMonday=1\r\n"
                                       "[Dup]\r\nA=first\r\nB=only in the first\r\n"
                                       "[DUP]\r\nA=second\r\nplain line\r\nC=a=b\r\n");
    const SettingsFile settings = SettingsFile::openSettings(dir.file("t.ini"));
    EXPECT_EQ(settings.readText("DIRECTORYS", "BackupDir", ""), "/b1");
    EXPECT_TRUE(settings.readFlag("DAYS", "Monday", false));
    EXPECT_EQ(settings.readText("dup", "a", ""), "second");
    EXPECT_EQ(settings.readText("Dup", "B", "default"), "default");
    EXPECT_EQ(settings.readText("Dup", "plain line", "default"), "default");
    EXPECT_EQ(settings.readText("Dup", "C", ""), "a=b");
    EXPECT_EQ(settings.readText("Missing", "A", "default"), "default");
}

TEST(SettingsFileRead, FlagsAreIntegersWithTheCallersDefault) {
    struct Case {
        const char* value;
        bool withDefaultFalse;
        bool withDefaultTrue;
    };
    const Case cases[] = {
        {"1", true, true},           {"2", true, true},
        {"-1", true, true},          {"+1", true, true},
        {"0", false, false},         {"0x10", true, true},
        {"0X0", false, false},       {"0x0", false, false},
        {"0xffffFFFF", true, true},  {"word", false, true},
        {"", false, true},           {"0x", false, true},
        {"0xG", false, true},        {"0x100000000", false, true},
        {"2147483648", false, true}, {"1.0", false, true},
        {"-0x1", false, true},       {"0x-1", false, true},
        {"Checked", false, true},
    };
    test::TempDir dir;
    SettingsFile settings = SettingsFile::openSettings(dir.file("missing.ini"));
    for (const auto& c : cases) {
        settings.writeText("F", "V", c.value);
        EXPECT_EQ(settings.readFlag("F", "V", false), c.withDefaultFalse) << '"' << c.value << '"';
        EXPECT_EQ(settings.readFlag("F", "V", true), c.withDefaultTrue) << '"' << c.value << '"';
    }
    EXPECT_TRUE(settings.readFlag("F", "Missing", true));
    EXPECT_FALSE(settings.readFlag("Missing", "V", false));
}

TEST(SettingsFileWrite, ReplacesInPlaceWithTheWritersKeyCase) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    test::writeFile(path, "[directorys]\r\nBase=/db\r\nbackupdir=/old\r\nOther=x\r\n");
    withSettings(path, [](SettingsFile& settings) {
        EXPECT_EQ(settings.readText("DIRECTORYS", "BackupDir", ""), "/old");
        settings.writeText("DIRECTORYS", "BackUpDir", "/new");
    });
    EXPECT_EQ(test::readFile(path), "[directorys]\r\nBase=/db\r\nBackUpDir=/new\r\nOther=x\r\n\r\n");
}

TEST(SettingsFileWrite, ReplacesTheLaterOfTwoEqualKeys) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    test::writeFile(path, "[DAYS]\r\nMonday=0\r\nMonday=1\r\n");
    withSettings(path, [](SettingsFile& settings) { settings.writeFlag("DAYS", "monday", false); });
    EXPECT_EQ(test::readFile(path), "[DAYS]\r\nMonday=0\r\nmonday=0\r\n\r\n");
}

TEST(SettingsFileWrite, AppendsToTheLastSectionOfTheNameOrANewSectionAtTheEnd) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    test::writeFile(path, "[A]\r\nx=1\r\n[B]\r\n[a]\r\ny=2\r\n");
    withSettings(path, [](SettingsFile& settings) {
        settings.writeText("A", "z", "3");
        settings.writeText("C", "k", "v");
        settings.writeText(" B ", " Key ", " padded value ");
    });
    EXPECT_EQ(test::readFile(path), "[A]\r\nx=1\r\n\r\n[B]\r\nKey=padded value\r\n\r\n[a]\r\ny=2\r\nz=3\r\n\r\n"
                                    "[C]\r\nk=v\r\n\r\n");
}

TEST(SettingsFileWrite, FirstSavesAppendSectionsInTheirOrderAndLaterSavesKeepIt) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    const std::vector<std::string> scheduleSections = {
        "DIRECTORYS", "VERBOSEMODE", "BACKUPRESTOREMODE", "CHECKBACKUPLOG", "DAYS",     "HOURS",  "SGDBVER",
        "PROTOCOL",   "SERVERNAME",  "CLIENTLIB",         "USERNAME",       "PASSWORD", "BKPEXT", "DEFAULTRESTOREDIR"};
    const std::vector<std::string> configSections = {"LISTABACKUP", "LISTARESTORE", "COMPRESSION"};
    auto saveAll = [&](const std::vector<std::string>& sections, const std::string& value) {
        withSettings(path, [&](SettingsFile& settings) {
            for (const auto& section : sections)
                settings.writeText(section, "Key", value);
        });
    };
    saveAll(scheduleSections, "1");
    saveAll(configSections, "1");
    withSettings(path, [](SettingsFile& settings) { settings.writeText("LANG", "SetLang", "&English"); });
    saveAll(scheduleSections, "2");

    std::vector<std::string> expected;
    for (const auto& list : {scheduleSections, configSections, std::vector<std::string>{"LANG"}})
        for (const auto& section : list)
            expected.push_back("[" + section + "]");
    const std::string text = test::readFile(path);
    EXPECT_EQ(sectionHeaders(text), expected);
    EXPECT_NE(text.find("[DIRECTORYS]\r\nKey=2\r\n\r\n[VERBOSEMODE]"), std::string::npos);
}

TEST(SettingsFileWrite, RefusesLinesThatWouldNotReadBack) {
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"S", "K", "a\r\nb"}, {"S", "K", "a\nb"}, {"S", "K", "a\rb"}, {"S\r\n[X]", "K", "v"},
        {"S", "a=b", "v"},    {"S", ";k", "v"},   {"S", "[k", "v]"},  {"S", "K\nX", "v"},
    };
    test::TempDir dir;
    SettingsFile settings = SettingsFile::openSettings(dir.file("missing.ini"));
    settings.writeText("S", "K", "old");
    for (const auto& c : cases) {
        try {
            settings.writeText(c.section, c.key, c.value);
            ADD_FAILURE() << "stored " << c.section << "/" << c.key << "/" << c.value;
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), "Cannot store the setting \""s + c.key + "\" of section \"" + c.section +
                                    "\" in the settings file.");
        }
    }
    EXPECT_EQ(settings.text(), "[S]\r\nK=old\r\n\r\n");
}

TEST(SettingsFileAccess, MissingFileGivesDefaultsAndIsCreatedEmptyAndPrivate) {
    test::TempDir dir;
    const std::string path = dir.file("tervolen.ini");
    const bool compress =
        withSettings(path, [](SettingsFile& settings) { return settings.readFlag("COMPRESSION", "Checked", true); });
    EXPECT_TRUE(compress);
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
    EXPECT_EQ(statOf(path).st_mode & 07777, 0600u);
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"tervolen.ini"});
}

TEST(SettingsFileAccess, UnchangedFileIsNotRewrittenButATemporaryOfAKilledSaveGoes) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    test::writeFile(path, "[DAYS]\r\nMonday=1\r\n\r\n");
    test::writeFile(dir.file(".t.ini.tervolen-Ab3xY9"), "[DAYS]\r\nMon");
    ::chmod(path.c_str(), 0600);
    ageFile(path);
    const struct stat before = statOf(path);
    withSettings(path, [](SettingsFile& settings) {
        settings.writeFlag("DAYS", "Monday", settings.readFlag("DAYS", "Monday", false));
    });
    const struct stat after = statOf(path);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_FALSE(fs::exists(dir.file(".t.ini.tervolen-Ab3xY9")));
}

TEST(SettingsFileAccess, TakesRightsAwayFromGroupAndOthers) {
    struct Case {
        const char* content;
        mode_t mode;
        bool rewritten;
    };
    const Case cases[] = {
        {"[S]\r\nA=1\r\n\r\n", 0644, false},
        {"[S]\nA=1\n", 0666, true},
    };
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    // Root refuses a file that others may write instead of repairing it.
    test::asUnprivilegedUser(dir.path(), [&] {
        for (const auto& c : cases) {
            test::writeFile(path, c.content);
            ::chmod(path.c_str(), c.mode);
            const ino_t inode = statOf(path).st_ino;
            withSettings(path, [](SettingsFile&) {});
            EXPECT_EQ(statOf(path).st_mode & 07777, 0600u) << c.content;
            EXPECT_EQ(statOf(path).st_ino != inode, c.rewritten) << c.content;
            EXPECT_EQ(test::readFile(path), "[S]\r\nA=1\r\n\r\n");
        }
    });
}

TEST(SettingsFileAccess, WorkErrorStillWritesBackAndGoesOn) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    try {
        withSettings(path, [](SettingsFile& settings) {
            settings.writeText("S", "K", "v");
            throw std::runtime_error("work failed");
        });
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "work failed");
    }
    EXPECT_EQ(test::readFile(path), "[S]\r\nK=v\r\n\r\n");
}

TEST(SettingsFileAccess, ReadOnlyAccessNeverWrites) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    readSettings(path, [](const SettingsFile& settings) { return settings.readText("S", "K", ""); });
    EXPECT_FALSE(fs::exists(path));

    test::writeFile(path, "; not normalised\n[S]\nK=old\n");
    ageFile(path);
    const struct stat before = statOf(path);
    // A long job reads while a page save changes the file; the save must survive the job's end.
    const std::string seen = readSettings(path, [&](const SettingsFile& settings) {
        withSettings(path, [](SettingsFile& save) { save.writeText("S", "K", "saved"); });
        return settings.readText("S", "K", "");
    });
    EXPECT_EQ(seen, "old");
    EXPECT_EQ(test::readFile(path), "[S]\r\nK=saved\r\n\r\n");
    EXPECT_NE(statOf(path).st_ino, before.st_ino);
}

TEST(SettingsFileAccess, UnreadableFileNamesThePath) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    fs::create_directory(path);
    try {
        SettingsFile::openSettings(path);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot open file \"" + path + "\". " + std::strerror(EISDIR));
    }
}

TEST(SettingsFileWriteBack, FailedRenameLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    SettingsFile settings = SettingsFile::openSettings(path);
    settings.writeText("S", "K", "v");
    fs::create_directories(path + "/inside");
    try {
        settings.writeBack();
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text().rfind("Cannot create file \"" + path + "\". ", 0), 0u) << e.text();
    }
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"t.ini"});
}

TEST(SettingsFileWriteBack, ReadOnlyMediumKeepsTheOldFile) {
    test::TempDir dir;
    test::TmpfsMount medium(dir.file("medium"), "size=1m,mode=0755");
    TERVOLEN_SKIP_WITHOUT_TMPFS(medium, "cannot mount a tmpfs here");
    const std::string normalised = dir.file("medium/normal.ini");
    const std::string path = dir.file("medium/t.ini");
    test::writeFile(normalised, "[S]\r\nK=v\r\n\r\n");
    test::writeFile(path, "[S]\nK=old\n");
    ASSERT_TRUE(medium.makeReadOnly());

    try {
        withSettings(path, [](SettingsFile& settings) { settings.writeText("S", "K", "new"); });
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + path + "\". " + std::strerror(EROFS));
    }
    EXPECT_THROW(withSettings(path,
                              [](SettingsFile& settings) {
                                  settings.writeText("S", "K", "new");
                                  throw std::runtime_error("work failed");
                              }),
                 std::runtime_error);
    EXPECT_EQ(test::readFile(path), "[S]\nK=old\n");
    EXPECT_NO_THROW(withSettings(normalised, [](SettingsFile& settings) { settings.writeText("S", "K", "v"); }));
    EXPECT_EQ(folderEntries(dir.file("medium")), (std::vector<std::string>{"normal.ini", "t.ini"}));
}

TEST(SettingsFileWriteBack, FullMediumKeepsTheOldFileAndNoTemporaryFile) {
    test::TempDir dir;
    test::TmpfsMount medium(dir.file("medium"), "size=64k,mode=0755");
    TERVOLEN_SKIP_WITHOUT_TMPFS(medium, "cannot mount a tmpfs here");
    const std::string path = dir.file("medium/t.ini");
    test::writeFile(path, "[S]\r\nK=old\r\n\r\n");
    try {
        withSettings(path, [](SettingsFile& settings) { settings.writeText("S", "K", std::string(1 << 20, 'x')); });
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot write file \"" + path + "\". " + std::strerror(ENOSPC));
    }
    EXPECT_EQ(test::readFile(path), "[S]\r\nK=old\r\n\r\n");
    EXPECT_EQ(folderEntries(dir.file("medium")), std::vector<std::string>{"t.ini"});
}

TEST(SettingsFileWriteBack, SymbolicLinkStaysALink) {
    test::TempDir dir;
    fs::create_directory(dir.file("real"));
    test::writeFile(dir.file("real/t.ini"), "[S]\nK=old\n");
    fs::create_symlink(dir.file("real/t.ini"), dir.file("t.ini"));
    withSettings(dir.file("t.ini"), [](SettingsFile& settings) { settings.writeText("S", "K", "new"); });
    EXPECT_TRUE(fs::is_symlink(dir.file("t.ini")));
    EXPECT_EQ(test::readFile(dir.file("real/t.ini")), "[S]\r\nK=new\r\n\r\n");
    EXPECT_EQ(folderEntries(dir.file("real")), std::vector<std::string>{"t.ini"});
}

std::string randomText(std::mt19937& random, size_t maxLength) {
    static const std::string alphabet = "[]=; \t\r\n\x01\x80\xFF"
                                        "aBk0x"s +
                                        '\0';
    std::uniform_int_distribution<size_t> length(0, maxLength);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string text(length(random), ' ');
    for (char& c : text)
        c = alphabet[pick(random)];
    return text;
}

TEST(SettingsFileProperty, WriteBackThenReadGivesTheSameDocument) {
    test::TempDir dir;
    const std::string path = dir.file("t.ini");
    std::mt19937 random(20061209);
    for (int round = 0; round < 200; ++round) {
        const std::string content = randomText(random, 300);
        test::writeFile(path, content);
        SettingsFile settings = SettingsFile::openSettings(path);
        for (int write = 0; write < 4; ++write) {
            try {
                settings.writeText(randomText(random, 4), randomText(random, 4), randomText(random, 6));
            } catch (const Error&) {
                // Refused writes leave the document as it was.
            }
        }
        settings.writeBack();
        const std::string written = test::readFile(path);
        ASSERT_EQ(written, settings.text()) << testing::PrintToString(content);
        ASSERT_EQ(SettingsFile::openSettings(path).text(), written) << testing::PrintToString(content);
    }
}

} // namespace
} // namespace tervolen
