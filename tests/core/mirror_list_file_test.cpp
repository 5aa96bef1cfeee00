#include "core/errors.h"
#include "core/mirror_list_file.h"
#include "temp_dir.h"
#include "tmpfs_mount.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>
#include <vector>

namespace tervolen {
namespace {

namespace fs = std::filesystem;

using namespace std::string_literals;

// A small tmpfs on a folder of its own, unmounted at the end.

std::vector<std::string> captionsOf(const std::vector<MirrorListEntry>& entries) {
    std::vector<std::string> captions;
    for (const auto& entry : entries)
        captions.push_back(entry.caption);
    return captions;
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A "LISTVIEW01" record with one text per given string.
std::string record(const std::vector<std::string>& texts, unsigned char flags = 0) {
    std::string bytes;
    bytes += static_cast<char>(texts.size() & 0xFF);
    bytes += static_cast<char>(texts.size() >> 8);
    bytes += static_cast<char>(flags);
    for (const auto& text : texts) {
        bytes += static_cast<char>(text.size() & 0xFF);
        bytes += static_cast<char>(text.size() >> 8);
        bytes += text;
    }
    return bytes;
}

const std::string kHeader = "LISTVIEW01\0"s;

TEST(MirrorListFile, SavedListLoadsBackInOrder) {
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    const std::vector<std::string> captions = {"/media/e/Mirror", "/net/share/Copies \xC3\xA9"};
    saveMirrorList(path, captions);
    EXPECT_EQ(fs::file_size(path), 11 + 5 + captions[0].size() + 5 + captions[1].size());
    EXPECT_EQ(test::readFile(path), kHeader + record({captions[0]}) + record({captions[1]}));
    const auto entries = loadMirrorList(path);
    EXPECT_EQ(captionsOf(entries), captions);
    for (const auto& entry : entries) {
        EXPECT_FALSE(entry.checked);
        EXPECT_TRUE(entry.subItems.empty());
    }
    EXPECT_EQ(folderEntries(dir.path()), std::vector<std::string>{"Mirrors.lst"});
}

TEST(MirrorListFile, EmptyListIsTheHeaderAlone) {
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    saveMirrorList(path, {});
    EXPECT_EQ(test::readFile(path), kHeader);
    EXPECT_TRUE(loadMirrorList(path).empty());
}

TEST(MirrorListFile, ReadsTheListViewForm) {
    struct Case {
        const char* name;
        std::string content;
        std::vector<std::string> captions;
    };
    const std::string longText(5000, 'L');
    const Case cases[] = {
        {"header alone, without options byte", "LISTVIEW01", {}},
        {"empty caption", kHeader + record({""}), {""}},
        {"text longer than 2049 bytes is kept whole", kHeader + record({longText}) + record({"/b"}), {longText, "/b"}},
        {"count 0 adds an empty entry and reading goes on", kHeader + "\0\0"s + record({"/a"}), {"", "/a"}},
        {"negative count adds an empty entry", kHeader + "\x00\x80"s + "\xFF\xFF"s + record({"/a"}), {"", "", "/a"}},
        {"file ends inside the count", kHeader + record({"/a"}) + "\x01"s, {"/a"}},
        {"file ends before the flags", kHeader + record({"/a"}) + "\x01\x00"s, {"/a"}},
        {"file ends inside a length", kHeader + record({"/a"}) + "\x01\x00\x00\x05"s, {"/a"}},
        {"length runs past the end", kHeader + record({"/a"}) + "\x01\x00\x00\x10\x00/short"s, {"/a"}},
        {"file ends before a sub-item", kHeader + record({"/a"}) + record({"/b", "sub"}).substr(0, 9), {"/a"}},
    };
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    for (const auto& c : cases) {
        test::writeFile(path, c.content);
        EXPECT_EQ(captionsOf(loadMirrorList(path)), c.captions) << c.name;
    }
}

TEST(MirrorListFile, ReadsCheckMarksAndSubItems) {
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    test::writeFile(path, "LISTVIEW01\x80"s + record({"/a", "s1", "s2"}, 0x81) + record({"/b"}, 0x80));
    const auto shown = loadMirrorList(path);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].checked);
    EXPECT_EQ(shown[0].subItems, (std::vector<std::string>{"s1", "s2"}));
    EXPECT_FALSE(shown[1].checked);

    test::writeFile(path, kHeader + record({"/a"}, 0x01));
    const auto hidden = loadMirrorList(path);
    ASSERT_EQ(hidden.size(), 1u);
    EXPECT_FALSE(hidden[0].checked) << "no check boxes shown, no check mark";
}

TEST(MirrorListFile, ReadsTheOlderForm) {
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    test::writeFile(path, "TE:\\Mirror\x01"
                          "FF:\\Copies\0sub\x01"
                          "F/last"s);
    const auto entries = loadMirrorList(path);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(captionsOf(entries), (std::vector<std::string>{"E:\\Mirror", "F:\\Copies", "/last"}));
    EXPECT_TRUE(entries[0].checked);
    EXPECT_FALSE(entries[1].checked);
    EXPECT_EQ(entries[1].subItems, std::vector<std::string>{"sub"});
    EXPECT_TRUE(entries[2].subItems.empty());

    test::writeFile(path, "");
    EXPECT_TRUE(loadMirrorList(path).empty());
}

TEST(MirrorListFile, MissingFileIsAnEmptyList) {
    test::TempDir dir;
    EXPECT_TRUE(loadMirrorList(dir.file("Mirrors.lst")).empty());
}

TEST(MirrorListFile, UnopenableFileIsReported) {
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    fs::create_directory(path);
    try {
        loadMirrorList(path);
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot open file \"" + path + "\". " + std::strerror(EISDIR));
    }
}

TEST(MirrorListFile, SaveFailuresNameTheFileAndKeepTheOldOne) {
    test::TempDir dir;
    try {
        saveMirrorList(dir.file("missing/Mirrors.lst"), {"/a"});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + dir.file("missing/Mirrors.lst") + "\". " + std::strerror(ENOENT));
    }

    const std::string path = dir.file("Mirrors.lst");
    saveMirrorList(path, {"/old"});
    const std::string old = test::readFile(path);
    try {
        saveMirrorList(path, {"/a", std::string(65536, 'x')});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(),
                  "A mirror folder path is longer than 65535 bytes and cannot be stored in \"" + path + "\".");
    }
    EXPECT_EQ(test::readFile(path), old);
    saveMirrorList(path, {std::string(65535, 'x')});
    EXPECT_EQ(captionsOf(loadMirrorList(path)), std::vector<std::string>{std::string(65535, 'x')});
}

TEST(MirrorListFile, ReadOnlyMediumKeepsTheOldFile) {
    test::TempDir dir;
    test::TmpfsMount medium(dir.file("medium"));
    TERVOLEN_SKIP_WITHOUT_TMPFS(medium, "cannot mount a tmpfs here");
    const std::string path = dir.file("medium/Mirrors.lst");
    saveMirrorList(path, {"/old"});
    const std::string old = test::readFile(path);
    ASSERT_TRUE(medium.makeReadOnly());
    try {
        saveMirrorList(path, {"/new"});
        ADD_FAILURE() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Cannot create file \"" + path + "\". " + std::strerror(EROFS));
    }
    EXPECT_EQ(test::readFile(path), old);
    EXPECT_EQ(folderEntries(dir.file("medium")), std::vector<std::string>{"Mirrors.lst"});
}

TEST(MirrorListFile, ReplacedFileKeepsItsPermissions) {
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    saveMirrorList(path, {"/a"});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u) << "a new file is the owner's only";
    ::chmod(path.c_str(), 0640);
    saveMirrorList(path, {"/b"});
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(MirrorListFile, AnyBytesLoadAndSaveBackTheSameCaptions) {
    test::TempDir dir;
    const std::string path = dir.file("Mirrors.lst");
    std::mt19937 random(20061209);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<size_t> length(0, 200);
    for (int round = 0; round < 200; ++round) {
        std::string content = round % 2 == 0 ? kHeader : "";
        for (size_t n = length(random); n > 0; --n)
            content += static_cast<char>(round % 4 == 0 ? byte(random) % 4 : byte(random));
        test::writeFile(path, content);
        const auto captions = captionsOf(loadMirrorList(path));
        saveMirrorList(path, captions);
        ASSERT_EQ(captionsOf(loadMirrorList(path)), captions) << testing::PrintToString(content);
    }
}

} // namespace
} // namespace tervolen
