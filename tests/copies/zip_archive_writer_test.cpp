#include "copies/zip_archive_writer.h"
#include "core/errors.h"
#include "local_moment.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "test_config.h"
#include "tmpfs_mount.h"
#include "zip_test_readers.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace tervolen {
namespace {

namespace fs = std::filesystem;
using test::ExpectedEntry;
using test::expectReadersAccept;

uint16_t u16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) | static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}

uint32_t u32(const std::string& bytes, size_t at) {
    return u16(bytes, at) | static_cast<uint32_t>(u16(bytes, at + 2)) << 16;
}

uint32_t crc(const std::string& bytes) {
    return static_cast<uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

void setModified(const std::string& path, std::time_t moment) {
    timespec times[2] = {{moment, 0}, {moment, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The fields of the only entry of an archive whose layout has been checked.
struct SingleEntry {
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t time = 0;
    uint16_t date = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint32_t externalAttributes = 0;
    std::string name;
    std::string data;
};

// Checks the tabled layout of an archive of one entry: local header, name, data, one central header, the 22-byte
// end record, nothing else; and returns the entry's fields.
SingleEntry readSingleEntryArchive(const std::string& path) {
    std::string archive = test::readFile(path);
    SingleEntry entry;
    EXPECT_GE(archive.size(), 30u + 46u + 22u);
    if (archive.size() < 30 + 46 + 22)
        return entry;
    EXPECT_EQ(u32(archive, 0), 0x04034B50u);
    EXPECT_EQ(u16(archive, 4), 20) << "version needed";
    entry.flags = u16(archive, 6);
    entry.method = u16(archive, 8);
    entry.time = u16(archive, 10);
    entry.date = u16(archive, 12);
    entry.crc = u32(archive, 14);
    entry.compressedSize = u32(archive, 18);
    entry.uncompressedSize = u32(archive, 22);
    size_t nameSize = u16(archive, 26);
    EXPECT_EQ(u16(archive, 28), 0) << "local extra length";
    entry.name = archive.substr(30, nameSize);
    size_t central = 30 + nameSize + entry.compressedSize;
    EXPECT_EQ(archive.size(), central + 46 + nameSize + 22) << "nothing but one entry and the end record";
    if (archive.size() != central + 46 + nameSize + 22)
        return entry;
    entry.data = archive.substr(30 + nameSize, entry.compressedSize);

    EXPECT_EQ(u32(archive, central), 0x02014B50u);
    EXPECT_EQ(u16(archive, central + 4), 20) << "version made by";
    EXPECT_EQ(u16(archive, central + 6), 20) << "version needed";
    EXPECT_EQ(archive.substr(central + 8, 24), archive.substr(6, 24)) << "central copy of the local fields";
    EXPECT_EQ(u16(archive, central + 32), 0) << "comment length";
    EXPECT_EQ(u16(archive, central + 34), 0) << "disk number start";
    EXPECT_EQ(u16(archive, central + 36), 0) << "internal attributes";
    entry.externalAttributes = u32(archive, central + 38);
    EXPECT_EQ(u32(archive, central + 42), 0u) << "local header offset";
    EXPECT_EQ(archive.substr(central + 46, nameSize), entry.name);

    size_t end = central + 46 + nameSize;
    EXPECT_EQ(u32(archive, end), 0x06054B50u);
    EXPECT_EQ(u16(archive, end + 4), 0);
    EXPECT_EQ(u16(archive, end + 6), 0);
    EXPECT_EQ(u16(archive, end + 8), 1);
    EXPECT_EQ(u16(archive, end + 10), 1);
    EXPECT_EQ(u32(archive, end + 12), 46 + nameSize);
    EXPECT_EQ(u32(archive, end + 16), central);
    EXPECT_EQ(u16(archive, end + 20), 0);
    return entry;
}

// Makes writes fail once limit bytes have gone to the archive, as a full disk would.
class FailingSink final : public ArchiveSink {
public:
    FailingSink(std::unique_ptr<ArchiveSink> inner, uint64_t limit) : inner_(std::move(inner)), limit_(limit) {}
    using ByteSink::write;
    void write(const char* data, size_t size) override {
        size_t allowed = static_cast<size_t>(std::min<uint64_t>(size, limit_ - std::min(limit_, written_)));
        inner_->write(data, allowed);
        written_ += allowed;
        if (allowed < size)
            throw Error("No space left on device.");
    }
    uint64_t position() const override { return inner_->position(); }
    void seek(uint64_t position) override { inner_->seek(position); }
    void truncate(uint64_t size) override { inner_->truncate(size); }
    void flush() override { inner_->flush(); }

private:
    std::unique_ptr<ArchiveSink> inner_;
    uint64_t limit_;
    uint64_t written_ = 0;
};

// A tmpfs mounted for one test; the test is skipped where mounting is not allowed.

// Runs a Compress call that must fail; its error's text.
std::string compressFailure(ZipArchiveWriter& writer) {
    try {
        int32_t count = writer.compress();
        ADD_FAILURE() << "compressed " << count << " files";
    } catch (const Error& error) {
        return error.text();
    }
    return {};
}

class ZipWriterTest : public ::testing::Test {
protected:
    ZipArchiveWriter makeWriter(CompressionMethod method, const std::string& archive, const std::string& spec) {
        ZipArchiveWriter writer;
        writer.setCompressMethod(method);
        writer.setArchiveFile(archive);
        writer.fileSpec().clear();
        writer.fileSpec().push_back(spec);
        return writer;
    }

    // An archive made by this writer with one other entry, for the tests that add to an archive.
    std::string existingArchive(const std::string& folder) {
        fs::create_directories(dir.file("other"));
        test::writeFile(dir.file("other/notes.txt"), test::backupLikeBytes(40000, 7));
        ZipArchiveWriter writer =
            makeWriter(CompressionMethod::Bzip2, folder + "/200612093015.zip", dir.file("other/notes.txt"));
        EXPECT_EQ(writer.compress(), 1);
        return folder + "/200612093015.zip";
    }

    test::TempDir dir;
};

// ---- Round trips over methods and sources ----

struct RoundTripCase {
    const char* label;
    CompressionMethod method;
    size_t size;
    bool random;
    uint16_t expectedMethod;
};

class ZipRoundTrip : public ZipWriterTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ZipRoundTrip, ReadersAcceptTheArchiveAndEveryFieldIsAsTabled) {
    const RoundTripCase& c = GetParam();
    std::string content = c.random ? test::randomBytes(c.size, 99) : test::backupLikeBytes(c.size, 7);
    std::string source = dir.file("200612093015.fbk");
    test::writeFile(source, content);
    setModified(source, test::localMoment(2006, 12, 9, 20, 30, 14));

    ZipArchiveWriter writer = makeWriter(c.method, dir.file("200612093015.zip"), source);
    ASSERT_EQ(writer.compress(), 1);
    EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{"200612093015.fbk", "200612093015.zip"}));

    SingleEntry entry = readSingleEntryArchive(dir.file("200612093015.zip"));
    EXPECT_EQ(entry.name, "200612093015.fbk");
    EXPECT_EQ(entry.method, c.expectedMethod);
    EXPECT_EQ(entry.flags, c.expectedMethod == 8 ? 0x0002 : 0);
    EXPECT_EQ(entry.crc, crc(content));
    EXPECT_EQ(entry.uncompressedSize, content.size());
    EXPECT_EQ(entry.time, (20 << 11) | (30 << 5) | 7);
    EXPECT_EQ(entry.date, (26 << 9) | (12 << 5) | 9);
    EXPECT_EQ(entry.externalAttributes, 0x20u);
    if (c.expectedMethod == 0) {
        EXPECT_TRUE(entry.data == content) << "stored data differs";
    }
    if (c.expectedMethod == 12) {
        EXPECT_EQ(entry.data.substr(0, 4), "BZh9");
    }
    expectReadersAccept(dir.file("200612093015.zip"), {{"200612093015.fbk", source}});
}

INSTANTIATE_TEST_SUITE_P(
    MethodsAndSources, ZipRoundTrip,
    ::testing::Values(RoundTripCase{"DeflateEmpty", CompressionMethod::Deflate, 0, false, 0},
                      RoundTripCase{"Bzip2Empty", CompressionMethod::Bzip2, 0, false, 12},
                      RoundTripCase{"DeflateTinyIncompressible", CompressionMethod::Deflate, 100, true, 0},
                      RoundTripCase{"Bzip2TinyIncompressible", CompressionMethod::Bzip2, 100, true, 12},
                      RoundTripCase{"DeflateTiny256", CompressionMethod::Deflate, 256, false, 8},
                      RoundTripCase{"DeflateIncompressible", CompressionMethod::Deflate, 300000, true, 8},
                      RoundTripCase{"Bzip2Incompressible", CompressionMethod::Bzip2, 300000, true, 12},
                      RoundTripCase{"DeflateSeveralMB", CompressionMethod::Deflate, (5 << 20) + 123, false, 8},
                      RoundTripCase{"Bzip2SeveralMB", CompressionMethod::Bzip2, (5 << 20) + 123, false, 12},
                      RoundTripCase{"StoreSeveralMB", CompressionMethod::Store, (3 << 20) + 5, false, 0}),
    [](const auto& info) { return std::string(info.param.label); });

// ---- Header rules ----

TEST_F(ZipWriterTest, StoreTypeExtensionIsDeflatedAtLevelZero) {
    std::string content = test::backupLikeBytes(20000, 7);
    test::writeFile(dir.file("backup.ZIP"), content);
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("outer.zip"), dir.file("backup.ZIP"));
    ASSERT_EQ(writer.compress(), 1);
    SingleEntry entry = readSingleEntryArchive(dir.file("outer.zip"));
    EXPECT_EQ(entry.method, 8);
    EXPECT_EQ(entry.flags, 0x0002);
    EXPECT_GT(entry.compressedSize, entry.uncompressedSize) << "stored Deflate blocks do not shrink";
    ASSERT_FALSE(entry.data.empty());
    EXPECT_EQ(entry.data[0] & 0x06, 0) << "first Deflate block is a stored block";
    expectReadersAccept(dir.file("outer.zip"), {{"backup.ZIP", dir.file("backup.ZIP")}});
}

// A backup may hold bytes that look like text: marked as text, "unzip -a" would convert its line ends.
TEST_F(ZipWriterTest, EntriesAreMarkedBinarySoUnzipNeverConvertsTheirLineEnds) {
    const std::string textLike = "line one\r\nline two\r\n";
    test::writeFile(dir.file("backup.fbk"), textLike);
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("backup.fbk"));
    ASSERT_EQ(writer.compress(), 1);
    std::string extracted;
    ASSERT_EQ(test::runCommand("unzip -a -p " + dir.file("a.zip"), &extracted), 0);
    EXPECT_EQ(extracted, textLike);
}

TEST_F(ZipWriterTest, AttributesFollowThePlatformMapping) {
    test::writeFile(dir.file("readonly.fbk"), "read only");
    ::chmod(dir.file("readonly.fbk").c_str(), 0444);
    test::writeFile(dir.file(".hidden.fbk"), "hidden");
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("readonly.fbk"));
    ASSERT_EQ(writer.compress(), 1);
    EXPECT_EQ(readSingleEntryArchive(dir.file("a.zip")).externalAttributes, 0x21u);
    writer = makeWriter(CompressionMethod::Deflate, dir.file("b.zip"), dir.file(".hidden.fbk"));
    ASSERT_EQ(writer.compress(), 1);
    EXPECT_EQ(readSingleEntryArchive(dir.file("b.zip")).externalAttributes, 0x22u);
}

TEST_F(ZipWriterTest, ModificationTimesOutsideTheDosRangeAreClamped) {
    test::writeFile(dir.file("old.fbk"), "old");
    setModified(dir.file("old.fbk"), test::localMoment(1975, 6, 1, 12, 0, 0));
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("old.fbk"));
    ASSERT_EQ(writer.compress(), 1);
    SingleEntry entry = readSingleEntryArchive(dir.file("a.zip"));
    EXPECT_EQ(entry.date, (0 << 9) | (1 << 5) | 1);
    EXPECT_EQ(entry.time, 0);
}

TEST_F(ZipWriterTest, NonAsciiNamesAreMarkedUtf8) {
    std::string name = "c\xC3\xB3pia.fbk";
    test::writeFile(dir.file(name), test::backupLikeBytes(5000, 7));
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file(name));
    ASSERT_EQ(writer.compress(), 1);
    SingleEntry entry = readSingleEntryArchive(dir.file("a.zip"));
    EXPECT_EQ(entry.flags, 0x0802);
    EXPECT_EQ(test::pythonEntryNames(dir.file("a.zip")), std::vector<std::string>{name});
}

// ---- Settings ----

TEST_F(ZipWriterTest, ArchivePathWithoutExtensionGetsDefaultExt) {
    ZipArchiveWriter writer;
    writer.setArchiveFile(dir.file("folder.d/200612093015fbk"));
    EXPECT_EQ(writer.archiveFile(), dir.file("folder.d/200612093015fbk.zip"));
    writer.setArchiveFile(dir.file("200612093015.bz2"));
    EXPECT_EQ(writer.archiveFile(), dir.file("200612093015.bz2"));

    test::writeFile(dir.file("200612093015fbk"), "data");
    writer.setArchiveFile(dir.file("200612093015fbk"));
    writer.fileSpec().push_back(dir.file("200612093015fbk"));
    ASSERT_EQ(writer.compress(), 1);
    expectReadersAccept(dir.file("200612093015fbk.zip"), {{"200612093015fbk", dir.file("200612093015fbk")}});
}

TEST_F(ZipWriterTest, CompressMethodKeepsItsValueForUnknownMethods) {
    ZipArchiveWriter writer;
    EXPECT_EQ(writer.compressMethod(), CompressionMethod::Deflate);
    writer.setCompressMethod(CompressionMethod::Bzip2);
    writer.setCompressMethod(static_cast<CompressionMethod>(7));
    EXPECT_EQ(writer.compressMethod(), CompressionMethod::Bzip2);
    writer.setCompressMethod(CompressionMethod::Store);
    EXPECT_EQ(writer.compressMethod(), CompressionMethod::Store);
}

// ---- File selection ----

TEST_F(ZipWriterTest, SearchDescendsIntoSubfoldersAndStoresRelativeNames) {
    for (const char* folder : {"old", "sub", ".hidden", "zfolder/backup.fbk"})
        fs::create_directories(dir.file(folder));
    for (const char* file : {"backup.fbk", "old/backup.fbk", "sub/BACKUP.FBK", ".hidden/backup.fbk", "other.txt"})
        test::writeFile(dir.file(file), std::string("content of ") + file);
    ::mkfifo(dir.file("sub/backup.fbk.pipe").c_str(), 0644);
    ::mkfifo(dir.file("old/Backup.fbk").c_str(), 0644);

    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("out/a.zip"), dir.file("backup.fbk"));
    fs::create_directories(dir.file("out"));
    ASSERT_EQ(writer.compress(), 3);
    expectReadersAccept(dir.file("out/a.zip"), {{"backup.fbk", dir.file("backup.fbk")},
                                                {"old/backup.fbk", dir.file("old/backup.fbk")},
                                                {"sub/BACKUP.FBK", dir.file("sub/BACKUP.FBK")}});
}

TEST_F(ZipWriterTest, WildcardsMatchTheNamePartWithoutRegardToCase) {
    for (const char* file : {"200612093015.fbk", "200612093016.FBK", "200612093015.gbk", "2006.fbk", "notes.txt"})
        test::writeFile(dir.file(file), file);
    fs::create_directories(dir.file("out"));
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("out/a.zip"), dir.file("20061209301?.*bk"));
    writer.fileSpec().push_back(dir.file("*.TXT"));
    ASSERT_EQ(writer.compress(), 4);
    EXPECT_EQ(test::pythonEntryNames(dir.file("out/a.zip")),
              (std::vector<std::string>{"200612093015.fbk", "200612093015.gbk", "200612093016.FBK", "notes.txt"}));
}

TEST_F(ZipWriterTest, SpecWithoutFolderSearchesTheCurrentFolder) {
    test::writeFile(dir.file("backup.fbk"), "data");
    fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, "a.zip", "backup.fbk");
    int32_t count = writer.compress();
    fs::current_path(previous);
    ASSERT_EQ(count, 1);
    expectReadersAccept(dir.file("a.zip"), {{"backup.fbk", dir.file("backup.fbk")}});
}

// ---- Adding to an existing archive ----

TEST_F(ZipWriterTest, ExistingEntriesStayFirstAndUnchanged) {
    std::string archive = existingArchive(dir.path());
    std::string before = test::readFile(archive);
    test::writeFile(dir.file("200612093015.fbk"), test::backupLikeBytes(700000, 7));

    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, archive, dir.file("200612093015.fbk"));
    ASSERT_EQ(writer.compress(), 1);
    std::string after = test::readFile(archive);
    size_t oldDirectory = u32(before, before.size() - 6);
    size_t oldDirectorySize = u32(before, before.size() - 10);
    EXPECT_TRUE(after.substr(0, oldDirectory) == before.substr(0, oldDirectory)) << "old entries byte for byte";
    size_t newDirectory = u32(after, after.size() - 6);
    EXPECT_TRUE(after.substr(newDirectory, oldDirectorySize) == before.substr(oldDirectory, oldDirectorySize));
    EXPECT_EQ(u16(after, after.size() - 12), 2) << "end record counts every entry";
    expectReadersAccept(
        archive, {{"notes.txt", dir.file("other/notes.txt")}, {"200612093015.fbk", dir.file("200612093015.fbk")}});
    EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{"200612093015.fbk", "200612093015.zip", "other"}));
}

TEST_F(ZipWriterTest, EntriesOfAnotherWriterAreKept) {
    fs::create_directories(dir.file("src/deep"));
    test::writeFile(dir.file("src/a.txt"), test::backupLikeBytes(30000, 7));
    test::writeFile(dir.file("src/deep/b.bin"), test::randomBytes(5000, 3));
    std::string output;
    ASSERT_EQ(test::runCommand("cd " + test::shellQuote(dir.file("src")) + " && zip -q -9 -r ../peer.zip a.txt deep",
                               &output),
              0)
        << output;
    std::string before = test::readFile(dir.file("peer.zip"));
    test::writeFile(dir.file("new.fbk"), test::backupLikeBytes(100000, 7));

    ZipArchiveWriter writer = makeWriter(CompressionMethod::Bzip2, dir.file("peer.zip"), dir.file("new.fbk"));
    ASSERT_EQ(writer.compress(), 1);
    std::string after = test::readFile(dir.file("peer.zip"));
    size_t oldDirectory = u32(before, before.size() - 6);
    EXPECT_TRUE(after.substr(0, oldDirectory) == before.substr(0, oldDirectory));
    expectReadersAccept(dir.file("peer.zip"),
                        {{"a.txt", dir.file("src/a.txt")},
                         {"deep/b.bin", dir.file("src/deep/b.bin")},
                         {"new.fbk", dir.file("new.fbk")}},
                        false);
    EXPECT_EQ(test::pythonEntryNames(dir.file("peer.zip")),
              (std::vector<std::string>{"a.txt", "deep/", "deep/b.bin", "new.fbk"}));
}

TEST_F(ZipWriterTest, Zip64ArchiveOfAnotherWriterIsKept) {
    // More entries than the end record can count, and a ZIP64 local header: Python writes ZIP64 records for both.
    std::string script = "import zipfile, sys\n"
                         "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                         "    with z.open('forced.txt', 'w', force_zip64=True) as f:\n"
                         "        f.write(b'forced zip64 entry')\n"
                         "    for i in range(70000):\n"
                         "        z.writestr('e/%05d.txt' % i, str(i))\n";
    test::writeFile(dir.file("make.py"), script);
    std::string output;
    ASSERT_EQ(test::runCommand(
                  test::shellQuote(test::kPython3) + " " + dir.file("make.py") + " " + dir.file("many.zip"), &output),
              0)
        << output;
    std::string before = test::readFile(dir.file("many.zip"));
    ASSERT_EQ(u32(before, before.size() - 22 - 20 - 56), 0x06064B50u) << "Python wrote a ZIP64 end record";
    fs::create_directories(dir.file("src"));
    test::writeFile(dir.file("src/new.fbk"), test::backupLikeBytes(100000, 7));

    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("many.zip"), dir.file("src/new.fbk"));
    ASSERT_EQ(writer.compress(), 1);
    std::string after = test::readFile(dir.file("many.zip"));
    size_t zip64End = after.size() - 22 - 20 - 56;
    ASSERT_EQ(u32(after, zip64End), 0x06064B50u);
    EXPECT_EQ(u32(after, zip64End + 24), 70002u);
    EXPECT_EQ(u16(after, after.size() - 12), 0xFFFF);
    size_t oldDirectory = u32(before, before.size() - 22 - 20 - 56 + 48);
    EXPECT_TRUE(after.substr(0, oldDirectory) == before.substr(0, oldDirectory));
    expectReadersAccept(dir.file("many.zip"), {{"new.fbk", dir.file("src/new.fbk")}}, false);
}

TEST_F(ZipWriterTest, NameClashLeavesTheArchiveByteForByte) {
    fs::create_directories(dir.file("first"));
    test::writeFile(dir.file("first/BACKUP.FBK"), test::backupLikeBytes(5000, 7));
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("first/BACKUP.FBK"));
    ASSERT_EQ(writer.compress(), 1);
    std::string before = test::readFile(dir.file("a.zip"));
    struct stat beforeInfo {};
    ::stat(dir.file("a.zip").c_str(), &beforeInfo);

    fs::create_directories(dir.file("second"));
    test::writeFile(dir.file("second/backup.fbk"), "another content");
    writer = makeWriter(CompressionMethod::Bzip2, dir.file("a.zip"), dir.file("second/backup.fbk"));
    compressFailure(writer);
    EXPECT_TRUE(test::readFile(dir.file("a.zip")) == before) << "archive changed";
    struct stat afterInfo {};
    ::stat(dir.file("a.zip").c_str(), &afterInfo);
    EXPECT_EQ(afterInfo.st_ino, beforeInfo.st_ino) << "the archive was not replaced";
    EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{"a.zip", "first", "second"}));
}

// ---- Progress and events ----

TEST_F(ZipWriterTest, ProgressAndEventsRunWhileWorking) {
    std::string content = test::backupLikeBytes(1000000, 7);
    test::writeFile(dir.file("backup.fbk"), content);
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Bzip2, dir.file("a.zip"), dir.file("backup.fbk"));
    std::vector<std::pair<uint64_t, uint64_t>> reports;
    int events = 0;
    writer.setProgress([&](uint64_t read, uint64_t total) { reports.emplace_back(read, total); });
    writer.setProcessEvents([&] { ++events; });
    ASSERT_EQ(writer.compress(), 1);
    ASSERT_GE(reports.size(), content.size() / (32 * 1024));
    EXPECT_EQ(reports.front(), std::make_pair(uint64_t{0}, uint64_t{content.size()}));
    EXPECT_EQ(reports.back(), std::make_pair(uint64_t{content.size()}, uint64_t{content.size()}));
    EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
    EXPECT_GE(events, static_cast<int>(content.size() / (32 * 1024)));
}

// ---- Failures: 0, no temporary file, an existing archive untouched ----

TEST_F(ZipWriterTest, SourceThatCannotBeOpenedIsDropped) {
    test::writeFile(dir.file("backup.fbk"), "data");
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("backup.fbk"));
    // Once the search is done, the file gives way to a folder of the same name.
    writer.setProgress([&](uint64_t read, uint64_t) {
        if (read == 0) {
            fs::remove(dir.file("backup.fbk"));
            fs::create_directory(dir.file("backup.fbk"));
        }
    });
    std::string error = compressFailure(writer);
    EXPECT_NE(error.find("backup.fbk"), std::string::npos);
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{"backup.fbk"});
}

TEST_F(ZipWriterTest, OtherFilesGoOnWhenOneSourceIsDropped) {
    test::writeFile(dir.file("a.fbk"), test::backupLikeBytes(300000, 7));
    test::writeFile(dir.file("b.fbk"), test::backupLikeBytes(3000, 7));
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("out.zip"), dir.file("*.fbk"));
    writer.setProgress([&](uint64_t read, uint64_t) {
        if (read == 0)
            fs::remove(dir.file("a.fbk"));
    });
    ASSERT_EQ(writer.compress(), 1);
    expectReadersAccept(dir.file("out.zip"), {{"b.fbk", dir.file("b.fbk")}});
}

TEST_F(ZipWriterTest, NoMatchingFileGivesZero) {
    fs::create_directories(dir.file("backup.fbk"));
    ::mkfifo(dir.file("pipe.fbk").c_str(), 0644);
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("*.fbk"));
    compressFailure(writer);
    writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("missing/x.fbk"));
    compressFailure(writer);
    EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{"backup.fbk", "pipe.fbk"}));
}

TEST_F(ZipWriterTest, MissingArchiveFolderGivesZero) {
    test::writeFile(dir.file("backup.fbk"), "data");
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("missing/a.zip"), dir.file("backup.fbk"));
    compressFailure(writer);
    EXPECT_FALSE(fs::exists(dir.file("missing")));
}

struct ForeignFile {
    const char* label;
    std::string (*content)(const std::string& validArchive);
};

class ZipForeignFile : public ZipWriterTest, public ::testing::WithParamInterface<ForeignFile> {};

TEST_P(ZipForeignFile, IsLeftAloneAndGivesZero) {
    std::string valid = test::readFile(existingArchive(dir.file("other")));
    std::string content = GetParam().content(valid);
    test::writeFile(dir.file("a.zip"), content);
    test::writeFile(dir.file("backup.fbk"), "data");
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("backup.fbk"));
    std::string error = compressFailure(writer);
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(test::readFile(dir.file("a.zip")) == content) << "file changed";
    EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{"a.zip", "backup.fbk", "other"}));
}

INSTANTIATE_TEST_SUITE_P(
    Contents, ZipForeignFile,
    ::testing::Values(ForeignFile{"Text", [](const std::string&) { return std::string("just some notes\n"); }},
                      ForeignFile{"Empty", [](const std::string&) { return std::string(); }},
                      ForeignFile{"Truncated", [](const std::string& zip) { return zip.substr(0, zip.size() / 2); }},
                      ForeignFile{"TrailingGarbage", [](const std::string& zip) { return zip + "garbage"; }},
                      ForeignFile{"BrokenCentralHeader",
                                  [](const std::string& zip) {
                                      std::string broken = zip;
                                      broken[u32(zip, zip.size() - 6)] = 'X';
                                      return broken;
                                  }},
                      ForeignFile{"DataPastDirectory",
                                  [](const std::string& zip) {
                                      std::string broken = zip;
                                      size_t central = u32(zip, zip.size() - 6);
                                      broken[central + 20] = '\x7F'; // compressed size now runs into the directory
                                      broken[central + 23] = '\x7F';
                                      return broken;
                                  }},
                      ForeignFile{"EndRecordOnly",
                                  [](const std::string&) { return std::string("PK\x05\x06", 4) + "nonsense!"; }}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ZipWriterTest, FolderAtTheArchivePathIsLeftAlone) {
    fs::create_directories(dir.file("a.zip"));
    test::writeFile(dir.file("backup.fbk"), "data");
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, dir.file("a.zip"), dir.file("backup.fbk"));
    compressFailure(writer);
    EXPECT_TRUE(fs::is_directory(dir.file("a.zip")));
    EXPECT_EQ(test::listing(dir.path()), (std::vector<std::string>{"a.zip", "backup.fbk"}));
}

class ZipWriteFailure : public ZipWriterTest, public ::testing::WithParamInterface<int> {};

TEST_P(ZipWriteFailure, LeavesTheExistingArchiveAndNoTemporaryFile) {
    fs::create_directories(dir.file("probe"));
    test::writeFile(dir.file("backup.fbk"), test::backupLikeBytes(400000, 7));
    std::string archive = existingArchive(dir.path());
    std::string before = test::readFile(archive);

    // The bytes a successful call writes, header rewrite included.
    uint64_t total = 0;
    fs::copy_file(archive, dir.file("probe/a.zip"));
    ZipArchiveWriter probe = makeWriter(CompressionMethod::Deflate, dir.file("probe/a.zip"), dir.file("backup.fbk"));
    probe.setSinkFilter(
        [&](std::unique_ptr<ArchiveSink> sink) { return std::make_unique<FailingSink>(std::move(sink), UINT64_MAX); });
    ASSERT_EQ(probe.compress(), 1);
    total = fs::file_size(dir.file("probe/a.zip")) + 30 + std::string("backup.fbk").size();

    uint64_t limit = (total - 1) * static_cast<uint64_t>(GetParam()) / 1000;
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, archive, dir.file("backup.fbk"));
    writer.setSinkFilter(
        [&](std::unique_ptr<ArchiveSink> sink) { return std::make_unique<FailingSink>(std::move(sink), limit); });
    SCOPED_TRACE("limit " + std::to_string(limit) + " of " + std::to_string(total));
    std::string error = compressFailure(writer);
    EXPECT_NE(error.find("No space left"), std::string::npos) << error;
    EXPECT_TRUE(test::readFile(archive) == before) << "archive changed";
    EXPECT_EQ(test::listing(dir.path()),
              (std::vector<std::string>{"200612093015.zip", "backup.fbk", "other", "probe"}));
}

// Where the writes fail, in thousandths of all bytes written: 0 is the first byte, 1000 the last one.
INSTANTIATE_TEST_SUITE_P(PerMille, ZipWriteFailure, ::testing::Values(0, 1, 200, 500, 900, 999, 1000));

TEST_F(ZipWriterTest, FullDiskLeavesNothingBehind) {
    test::TmpfsMount mount(dir.file("full"), "size=1m");
    TERVOLEN_SKIP_WITHOUT_TMPFS(mount, "cannot mount a tmpfs here");
    test::writeFile(dir.file("backup.fbk"), test::randomBytes(3 << 20, 5));
    std::string archive = existingArchive(dir.file("full"));
    std::string before = test::readFile(archive);
    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, archive, dir.file("backup.fbk"));
    std::string error = compressFailure(writer);
    EXPECT_NE(error.find("No space left"), std::string::npos);
    EXPECT_TRUE(test::readFile(archive) == before) << "archive changed";
    EXPECT_EQ(test::listing(dir.file("full")), std::vector<std::string>{"200612093015.zip"});

    writer = makeWriter(CompressionMethod::Bzip2, dir.file("full/new.zip"), dir.file("backup.fbk"));
    compressFailure(writer);
    EXPECT_EQ(test::listing(dir.file("full")), std::vector<std::string>{"200612093015.zip"});
}

TEST_F(ZipWriterTest, ReadOnlyFolderLeavesNothingBehind) {
    test::TmpfsMount mount(dir.file("ro"), "size=1m");
    TERVOLEN_SKIP_WITHOUT_TMPFS(mount, "cannot mount a tmpfs here");
    std::string archive = existingArchive(dir.file("ro"));
    std::string before = test::readFile(archive);
    ASSERT_TRUE(mount.makeReadOnly());
    test::writeFile(dir.file("backup.fbk"), test::backupLikeBytes(10000, 7));

    ZipArchiveWriter writer = makeWriter(CompressionMethod::Deflate, archive, dir.file("backup.fbk"));
    compressFailure(writer);
    EXPECT_TRUE(test::readFile(archive) == before) << "archive changed";
    writer = makeWriter(CompressionMethod::Deflate, dir.file("ro/new.zip"), dir.file("backup.fbk"));
    std::string error = compressFailure(writer);
    EXPECT_NE(error.find("Read-only"), std::string::npos);
    EXPECT_EQ(test::listing(dir.file("ro")), std::vector<std::string>{"200612093015.zip"});
}

} // namespace
} // namespace tervolen
