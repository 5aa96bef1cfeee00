#include "copies/zip_central_directory.h"
#include "copies/zip_entry_writer.h"
#include "copies/zip_file_search.h"
#include "copies/zip_format.h"
#include "core/errors.h"
#include "local_moment.h"

#include <ctime>
#include <gtest/gtest.h>
#include <random>

namespace tervolen {
namespace {

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

ZipEntryHeader entryHeader(const std::string& name, uint64_t compressed, uint64_t uncompressed) {
    ZipEntryHeader header;
    header.flags = kFlagMaximumDeflate;
    header.method = 8;
    header.modified = DosDateTime{0x1234, 0x5678};
    header.crc32 = 0xCAFEBABE;
    header.compressedSize = compressed;
    header.uncompressedSize = uncompressed;
    header.name = name;
    return header;
}

// An archive of entries whose data are the given texts, built from the encoders.
std::string buildArchive(const std::vector<std::pair<std::string, std::string>>& entries, bool zip64End = false) {
    std::string archive;
    std::string directory;
    for (const auto& [name, data] : entries) {
        ZipEntryHeader header = entryHeader(name, data.size(), data.size());
        header.method = 0;
        directory += encodeCentralHeader(header, 0x20, archive.size());
        archive += encodeLocalHeader(header) + data;
    }
    uint64_t offset = archive.size();
    archive += directory;
    archive += encodeEndRecords(entries.size(), directory.size(), offset, zip64End);
    return archive;
}

// ---- MS-DOS time ----

TEST(ZipFormat, DosDateTimeOfLocalMoments) {
    DosDateTime dos = toDosDateTime(test::localMoment(2006, 12, 9, 20, 30, 15));
    EXPECT_EQ(dos.time, (20 << 11) | (30 << 5) | 7);
    EXPECT_EQ(dos.date, (26 << 9) | (12 << 5) | 9);
    dos = toDosDateTime(test::localMoment(1980, 1, 1, 0, 0, 0));
    EXPECT_EQ(dos.time, 0);
    EXPECT_EQ(dos.date, (1 << 5) | 1);
    dos = toDosDateTime(test::localMoment(1979, 12, 31, 23, 59, 59));
    EXPECT_EQ(dos.date, (1 << 5) | 1) << "before 1980: clamped";
    EXPECT_EQ(dos.time, 0);
    dos = toDosDateTime(test::localMoment(2150, 6, 1, 12, 0, 0));
    EXPECT_EQ(dos.date, (127 << 9) | (12 << 5) | 31) << "after 2107: clamped";
    EXPECT_EQ(dos.time, (23 << 11) | (59 << 5) | 29);
}

// ---- Encoders ----

TEST(ZipFormat, LocalHeaderAsTabled) {
    EXPECT_EQ(hex(encodeLocalHeader(entryHeader("a.fbk", 0x11223344, 0x55667788))), "504b0304"
                                                                               "1400"
                                                                               "0200"
                                                                               "0800"
                                                                               "3412"
                                                                               "7856"
                                                                               "bebafeca"
                                                                               "44332211"
                                                                               "88776655"
                                                                               "0500"
                                                                               "0000"
                                                                               "612e66626b");
}

TEST(ZipFormat, LocalHeaderWithZip64Sizes) {
    ZipEntryHeader header = entryHeader("a", 0x123456789, 0x1200000000);
    header.zip64 = true;
    std::string bytes = encodeLocalHeader(header);
    ASSERT_EQ(bytes.size(), 30u + 1 + 20);
    EXPECT_EQ(getU16(bytes, 4), 45);
    EXPECT_EQ(getU32(bytes, 18), 0xFFFFFFFFu);
    EXPECT_EQ(getU32(bytes, 22), 0xFFFFFFFFu);
    EXPECT_EQ(getU16(bytes, 28), 20);
    EXPECT_EQ(getU16(bytes, 31), 1);
    EXPECT_EQ(getU16(bytes, 33), 16);
    EXPECT_EQ(getU64(bytes, 35), 0x1200000000u) << "uncompressed size first";
    EXPECT_EQ(getU64(bytes, 43), 0x123456789u);
    EXPECT_THROW(encodeLocalHeader(entryHeader("a", 1, 0xFFFFFFFF)), Error) << "too large without ZIP64";
}

TEST(ZipFormat, CentralHeaderAsTabled) {
    ZipEntryHeader header = entryHeader("a.fbk", 0x11223344, 0x55667788);
    std::string local = encodeLocalHeader(header);
    std::string central = encodeCentralHeader(header, 0xFFFFFFFF, 0x0A0B0C0D);
    EXPECT_EQ(hex(central), "504b0102"
                            "1400"
                            "1400"
                            "0200"
                            "0800"
                            "3412"
                            "7856"
                            "bebafeca"
                            "44332211"
                            "88776655"
                            "0500"
                            "0000"
                            "0000"
                            "0000"
                            "0000"
                            "bf400000"
                            "0d0c0b0a"
                            "612e66626b");
    EXPECT_EQ(central.substr(8, 24), local.substr(6, 24));
}

TEST(ZipFormat, CentralHeaderHoldsOnlyTheValuesThatOverflow) {
    std::string offsetOnly = encodeCentralHeader(entryHeader("n", 10, 20), 0x20, 0x100000000);
    EXPECT_EQ(getU16(offsetOnly, 4), 45);
    EXPECT_EQ(getU16(offsetOnly, 6), 45);
    EXPECT_EQ(getU32(offsetOnly, 20), 10u);
    EXPECT_EQ(getU32(offsetOnly, 42), 0xFFFFFFFFu);
    EXPECT_EQ(getU16(offsetOnly, 30), 12);
    EXPECT_EQ(hex(offsetOnly.substr(47)), "0100"
                                          "0800"
                                          "0000000001000000");

    std::string all = encodeCentralHeader(entryHeader("n", 0x100000001, 0x100000002), 0x20, 0xFFFFFFFF);
    EXPECT_EQ(getU16(all, 30), 28);
    EXPECT_EQ(getU64(all, 51), 0x100000002u);
    EXPECT_EQ(getU64(all, 59), 0x100000001u);
    EXPECT_EQ(getU64(all, 67), 0xFFFFFFFFu) << "0xFFFFFFFF itself is a ZIP64 value";

    ZipEntryHeader reserved = entryHeader("n", 10, 20);
    reserved.zip64 = true;
    std::string small = encodeCentralHeader(reserved, 0x20, 0);
    EXPECT_EQ(getU16(small, 6), 45) << "ZIP64 local header";
    EXPECT_EQ(getU16(small, 30), 0);
    EXPECT_EQ(getU32(small, 20), 10u);
}

TEST(ZipFormat, EndRecords) {
    EXPECT_EQ(hex(encodeEndRecords(3, 0x100, 0x2000, false)), "504b0506"
                                                              "0000"
                                                              "0000"
                                                              "0300"
                                                              "0300"
                                                              "00010000"
                                                              "00200000"
                                                              "0000");
    std::string many = encodeEndRecords(70000, 0x100, 0x2000, false);
    ASSERT_EQ(many.size(), 56u + 20 + 22);
    EXPECT_EQ(getU32(many, 0), kZip64EndRecordSignature);
    EXPECT_EQ(getU64(many, 4), 44u);
    EXPECT_EQ(getU64(many, 24), 70000u);
    EXPECT_EQ(getU64(many, 40), 0x100u);
    EXPECT_EQ(getU64(many, 48), 0x2000u);
    EXPECT_EQ(getU32(many, 56), kZip64LocatorSignature);
    EXPECT_EQ(getU64(many, 64), 0x2100u) << "the ZIP64 end record follows the directory";
    EXPECT_EQ(getU32(many, 72), 1u);
    EXPECT_EQ(getU16(many, 76 + 8), 0xFFFF);
    EXPECT_EQ(getU32(many, 76 + 16), 0x2000u);
    std::string far = encodeEndRecords(1, 0x100, 0x100000000, false);
    EXPECT_EQ(getU32(far, 76 + 16), 0xFFFFFFFFu);
    EXPECT_EQ(encodeEndRecords(1, 0x100, 0x2000, true).size(), 98u);
}

// ---- Central directory reader ----

TEST(ZipDirectoryReader, ReadsWhatTheEncodersWrite) {
    for (bool zip64End : {false, true}) {
        std::string archive = buildArchive({{"one", "first data"}, {"dir/two", ""}, {"three", "3"}}, zip64End);
        ZipDirectory directory = readCentralDirectory(archive);
        ASSERT_EQ(directory.entries.size(), 3u);
        EXPECT_EQ(directory.entries[0].name, "one");
        EXPECT_EQ(directory.entries[1].name, "dir/two");
        EXPECT_EQ(directory.entries[1].localHeaderOffset, 30u + 3 + 10);
        EXPECT_EQ(directory.entries[2].compressedSize, 1u);
        EXPECT_EQ(directory.dataStart, 0u);
        EXPECT_EQ(directory.dataEnd, 30u + 3 + 10 + 30 + 7 + 30 + 5 + 1);
        EXPECT_EQ(directory.entries[0].centralHeader.size(), 46u + 3);
    }
    ZipDirectory empty = readCentralDirectory(encodeEndRecords(0, 0, 0, false));
    EXPECT_TRUE(empty.entries.empty());
}

TEST(ZipDirectoryReader, ReadsOffsetsAndSizesFromTheZip64Extra) {
    // A writer may put small values in the ZIP64 extra field; the 32-bit fields then read 0xFFFFFFFF.
    std::string prefix = "SFX stub";
    ZipEntryHeader header = entryHeader("big", 4, 4);
    header.method = 0;
    header.zip64 = true;
    std::string archive = prefix + encodeLocalHeader(header) + "data";
    std::string central = encodeCentralHeader(header, 0x20, prefix.size());
    std::string extra;
    putU16(extra, kZip64ExtraId);
    putU16(extra, 24);
    putU64(extra, 4);
    putU64(extra, 4);
    putU64(extra, prefix.size());
    setU32(central, 20, 0xFFFFFFFF);
    setU32(central, 24, 0xFFFFFFFF);
    setU32(central, 42, 0xFFFFFFFF);
    central[30] = static_cast<char>(extra.size());
    central += extra;
    uint64_t offset = archive.size();
    archive += central + encodeEndRecords(1, central.size(), offset, true);

    ZipDirectory directory = readCentralDirectory(archive);
    ASSERT_EQ(directory.entries.size(), 1u);
    const ZipDirectoryEntry& entry = directory.entries[0];
    EXPECT_EQ(entry.localHeaderOffset, prefix.size());
    EXPECT_EQ(entry.compressedSize, 4u);
    EXPECT_TRUE(entry.offsetField64);
    EXPECT_EQ(directory.dataStart, prefix.size());
    std::string moved = movedCentralHeader(entry, 0);
    EXPECT_EQ(getU64(moved, entry.offsetField), 0u);
    EXPECT_EQ(moved.size(), entry.centralHeader.size());
    EXPECT_THROW(movedCentralHeader(entry, prefix.size() + 1), Error);
}

TEST(ZipDirectoryReader, RejectsEntriesThatShareOrOverrunTheirPlace) {
    std::string data = "abc";
    ZipEntryHeader header = entryHeader("x", data.size(), data.size());
    std::string archive = encodeLocalHeader(header) + data;
    std::string directory = encodeCentralHeader(header, 0x20, 0) + encodeCentralHeader(header, 0x20, 0);
    uint64_t offset = archive.size();
    EXPECT_THROW(readCentralDirectory(archive + directory + encodeEndRecords(2, directory.size(), offset, false)),
                 Error);

    ZipEntryHeader overrun = entryHeader("x", 4, 3);
    directory = encodeCentralHeader(overrun, 0x20, 0);
    EXPECT_THROW(readCentralDirectory(archive + directory + encodeEndRecords(1, directory.size(), offset, false)),
                 Error);
}

TEST(ZipDirectoryReader, EveryTruncationIsRejected) {
    std::string archive = buildArchive({{"one", "first data"}, {"two", "second"}}, true);
    for (size_t size = 0; size < archive.size(); ++size)
        EXPECT_THROW(readCentralDirectory(std::string_view(archive).substr(0, size)), Error) << "size " << size;
}

// Random damage never makes the reader read outside the bytes (run this under the sanitizers) and whatever it
// accepts is consistent.
TEST(ZipDirectoryReader, SurvivesRandomDamage) {
    const std::string archives[] = {buildArchive({{"one", "first data"}, {"two", "second"}, {"three", ""}}),
                                    buildArchive({{"one", "first data"}, {"two", "second"}}, true)};
    std::mt19937 random(2024);
    int accepted = 0;
    for (int round = 0; round < 40000; ++round) {
        std::string damaged = archives[round % 2];
        int changes = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < changes; ++i) {
            size_t at = random() % damaged.size();
            switch (random() % 4) {
            case 0:
                damaged[at] = static_cast<char>(random());
                break;
            case 1:
                damaged[at] = static_cast<char>(0xFF);
                break;
            case 2:
                damaged.erase(at, 1 + random() % 4);
                break;
            default:
                damaged.insert(at, 1 + random() % 4, static_cast<char>(random()));
                break;
            }
            if (damaged.empty())
                damaged = "P";
        }
        try {
            ZipDirectory directory = readCentralDirectory(damaged);
            ++accepted;
            EXPECT_LE(directory.dataStart, directory.dataEnd);
            EXPECT_LE(directory.dataEnd, damaged.size());
            for (const ZipDirectoryEntry& entry : directory.entries) {
                EXPECT_GE(entry.localHeaderOffset, directory.dataStart);
                EXPECT_LT(entry.localHeaderOffset, directory.dataEnd);
                EXPECT_LE(entry.offsetField + (entry.offsetField64 ? 8 : 4), entry.centralHeader.size());
            }
        } catch (const Error&) {
        }
    }
    EXPECT_GT(accepted, 0) << "damage to names and data still reads";
}

// ---- Selection rules ----

TEST(ZipFileSearch, MasksMatchWithoutRegardToCase) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    for (const Case& c :
         {Case{"200612093015.fbk", "200612093015.fbk", true}, Case{"200612093015.FBK", "*.fbk", true},
          Case{"a.fbk", "?.fbk", true}, Case{"ab.fbk", "?.fbk", false}, Case{"abc", "*", true}, Case{"", "*", true},
          Case{"abc", "a*c*", true}, Case{"abc", "*b", false}, Case{"a.b.c", "*.c", true}, Case{"noext", "*.*", false},
          Case{"x", "", false}, Case{"aXbXc", "a*b*c", true}, Case{"aaa", "a*a*a*a", false},
          Case{"c\xC3\xB3pia", "C\xC3\xB3PIA", true}}) {
        EXPECT_EQ(matchesMask(c.name, c.mask), c.matches) << c.name << " ~ " << c.mask;
    }
}

TEST(ZipFileSearch, AttributesOfRegularFiles) {
    EXPECT_EQ(dosAttributes("backup.fbk", 0644), 0x20u);
    EXPECT_EQ(dosAttributes("backup.fbk", 0444), 0x21u);
    EXPECT_EQ(dosAttributes(".backup.fbk", 0600), 0x22u);
    EXPECT_TRUE(takesAttributes(0x20));
    EXPECT_TRUE(takesAttributes(0x01));
    EXPECT_TRUE(takesAttributes(0x80));
    EXPECT_TRUE(takesAttributes(0));
    EXPECT_TRUE(takesAttributes(0x2000 | 0x02));
    EXPECT_FALSE(takesAttributes(0x02));
    EXPECT_FALSE(takesAttributes(0x04 | 0x80));
}

TEST(ZipEntryRules, StoreTypesAndZip64Reservation) {
    EXPECT_TRUE(isStoreFileType("backup.ZIP"));
    EXPECT_TRUE(isStoreFileType("a.pk_"));
    EXPECT_TRUE(isStoreFileType("x.tar.gz"));
    EXPECT_FALSE(isStoreFileType("backup.fbk"));
    EXPECT_FALSE(isStoreFileType("zip"));
    EXPECT_FALSE(isStoreFileType("a.zip.fbk"));
    EXPECT_EQ(kStoreFilesOfType.size(), 27u);
    EXPECT_FALSE(reservesZip64(4000000000));
    EXPECT_TRUE(reservesZip64(4220000000));
    EXPECT_TRUE(reservesZip64(0xFFFFFFFF));
}

} // namespace
} // namespace tervolen
