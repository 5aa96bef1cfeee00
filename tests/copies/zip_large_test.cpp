#include "copies/zip_archive_writer.h"
#include "temp_dir.h"
#include "zip_test_readers.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {
namespace {

uint16_t u16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) | static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}
uint32_t u32(const std::string& bytes, size_t at) {
    return u16(bytes, at) | static_cast<uint32_t>(u16(bytes, at + 2)) << 16;
}
uint64_t u64(const std::string& bytes, size_t at) {
    return u32(bytes, at) | static_cast<uint64_t>(u32(bytes, at + 4)) << 32;
}

constexpr uint64_t kSourceSize = 4608ull << 20; // 4.5 GiB

void writeAt(int fd, uint64_t offset, const std::string& bytes) {
    ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)), static_cast<ssize_t>(bytes.size()));
}

// A 4.5 GiB source that takes almost no disk: holes, with data at its start, across the 4 GiB mark and at its end.
bool makeSparseSource(const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::ftruncate(fd, static_cast<off_t>(kSourceSize)) != 0)
        return false;
    std::mt19937 random(45);
    std::string marker(1 << 20, '\0');
    for (char& c : marker)
        c = static_cast<char>(random());
    writeAt(fd, 0, "BEGIN of a large backup");
    writeAt(fd, (4ull << 30) - (512 << 10), marker);
    writeAt(fd, kSourceSize - 3, "END");
    struct stat info {};
    ::fstat(fd, &info);
    ::close(fd);
    return static_cast<uint64_t>(info.st_blocks) * 512 < (64u << 20);
}

class ZipLarge : public ::testing::TestWithParam<unsigned> {};

TEST_P(ZipLarge, SparseSourceOver4GiBUsesZip64) {
    test::TempDir dir;
    std::string source = dir.file("200612093015.fbk");
    if (!makeSparseSource(source))
        GTEST_SKIP() << "the temporary folder cannot hold sparse files";

    ZipArchiveWriter writer;
    writer.setCompressMethod(CompressionMethod::Deflate);
    writer.setThreads(GetParam());
    writer.setArchiveFile(dir.file("200612093015.zip"));
    writer.fileSpec().push_back(source);
    ASSERT_EQ(writer.compress(), 1);

    std::string archive = test::readFile(dir.file("200612093015.zip"));
    const size_t nameSize = 16;
    ASSERT_GT(archive.size(), 30u + nameSize + 20);
    EXPECT_EQ(u16(archive, 4), 45) << "version needed for ZIP64";
    EXPECT_EQ(u32(archive, 18), 0xFFFFFFFFu);
    EXPECT_EQ(u32(archive, 22), 0xFFFFFFFFu);
    EXPECT_EQ(u16(archive, 28), 20) << "ZIP64 extra field in the local header";
    EXPECT_EQ(u16(archive, 30 + nameSize), 1);
    EXPECT_EQ(u64(archive, 30 + nameSize + 4), kSourceSize);
    uint64_t compressed = u64(archive, 30 + nameSize + 12);

    size_t central = 30 + nameSize + 20 + compressed;
    ASSERT_LT(central + 46 + nameSize + 12, archive.size());
    EXPECT_EQ(u32(archive, central), 0x02014B50u);
    EXPECT_EQ(u16(archive, central + 6), 45);
    EXPECT_EQ(u32(archive, central + 20), compressed) << "a size that fits stays in its field";
    EXPECT_EQ(u32(archive, central + 24), 0xFFFFFFFFu);
    EXPECT_EQ(u16(archive, central + 30), 12);
    EXPECT_EQ(u64(archive, central + 46 + nameSize + 4), kSourceSize);

    size_t zip64End = central + 46 + nameSize + 12;
    EXPECT_EQ(archive.size(), zip64End + 56 + 20 + 22);
    EXPECT_EQ(u32(archive, zip64End), 0x06064B50u);
    EXPECT_EQ(u32(archive, zip64End + 56), 0x07064B50u);
    EXPECT_EQ(u64(archive, zip64End + 56 + 8), zip64End);
    EXPECT_EQ(u32(archive, zip64End + 76), 0x06054B50u);

    test::expectReadersAccept(dir.file("200612093015.zip"), {{"200612093015.fbk", source}});
}

INSTANTIATE_TEST_SUITE_P(Threads, ZipLarge, ::testing::Values(1u, 2u),
                         [](const auto& info) { return std::to_string(info.param) + "Threads"; });

} // namespace
} // namespace tervolen
