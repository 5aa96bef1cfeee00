#include "copies/zip_archive_writer.h"
#include "core/errors.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "zip_test_readers.h"

#include <gtest/gtest.h>
#include <tuple>

namespace tervolen {
namespace {

using test::shellQuote;

constexpr const char* kPassword = "s3cret pass'word";
constexpr const char* kBackupName = "200612093015.fbk";

uint16_t u16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes.at(at)) | static_cast<uint8_t>(bytes.at(at + 1)) << 8);
}

uint32_t u32(const std::string& bytes, size_t at) {
    return u16(bytes, at) | static_cast<uint32_t>(u16(bytes, at + 2)) << 16;
}

int run(const std::string& command) {
    return test::runCommand(command + " >/dev/null 2>&1");
}

// Both the reader's exit status and the bytes count: an empty entry compares equal whatever the reader did.
bool sevenZipExtracts(const std::string& archive, const std::string& password, const std::string& source) {
    const std::string out = shellQuote(archive + ".out");
    return run("7z e -so -bd -p" + shellQuote(password) + " " + shellQuote(archive) + " " + kBackupName + " >" + out +
               " && cmp -s " + out + " " + shellQuote(source)) == 0 &&
           run("7z t -bd -p" + shellQuote(password) + " " + shellQuote(archive)) == 0;
}

bool bsdtarExtracts(const std::string& archive, const std::string& password, const std::string& source) {
    const std::string out = shellQuote(archive + ".out");
    return run("bsdtar --passphrase " + shellQuote(password) + " -xOf " + shellQuote(archive) + " >" + out +
               " && cmp -s " + out + " " + shellQuote(source)) == 0;
}

using AesCase = std::tuple<CompressionMethod, unsigned, size_t>;

std::string caseName(const ::testing::TestParamInfo<AesCase>& info) {
    const auto [method, threads, size] = info.param;
    return std::string(method == CompressionMethod::Bzip2 ? "Bzip2" : "Deflate") + std::to_string(threads) + "Threads" +
           std::to_string(size) + "Bytes";
}

class ZipAes : public ::testing::TestWithParam<AesCase> {
protected:
    std::string makeArchive(const std::string& content) {
        const auto [method, threads, size] = GetParam();
        test::writeFile(source(), content);
        ZipArchiveWriter writer;
        writer.setCompressMethod(method);
        writer.setThreads(threads);
        writer.setPassword(kPassword);
        writer.setArchiveFile(dir.file("200612093015.zip"));
        writer.fileSpec().push_back(source());
        EXPECT_EQ(writer.compress(), 1);
        return dir.file("200612093015.zip");
    }
    std::string source() const { return dir.file(kBackupName); }

    test::TempDir dir;
};

// Entries are WinZip AES-256 (AE-2): 7-Zip (and bsdtar for Deflate) open them with the password, refuse a wrong one,
// and 7-Zip's check of the authentication code fails on a flipped byte.
TEST_P(ZipAes, ReadersOpenTheEntryWithThePasswordOnly) {
    const auto [method, threads, size] = GetParam();
    const std::string content = test::backupLikeBytes(size, 11);
    const std::string archive = makeArchive(content);

    const std::string bytes = test::readFile(archive);
    const size_t nameSize = u16(bytes, 26);
    EXPECT_EQ(u16(bytes, 4), 51) << "version needed";
    EXPECT_EQ(u16(bytes, 6) & 1, 1) << "encrypted flag";
    EXPECT_EQ(u16(bytes, 8), 99) << "method";
    EXPECT_EQ(u32(bytes, 14), 0u) << "AE-2 leaves the CRC out";
    ASSERT_EQ(u16(bytes, 28), 11) << "extra field length";
    const size_t extra = 30 + nameSize;
    EXPECT_EQ(u16(bytes, extra), 0x9901);
    EXPECT_EQ(u16(bytes, extra + 2), 7);
    EXPECT_EQ(u16(bytes, extra + 4), 2) << "AE-2";
    EXPECT_EQ(bytes.substr(extra + 6, 2), "AE");
    EXPECT_EQ(static_cast<uint8_t>(bytes.at(extra + 8)), 3) << "AES-256";
    const uint16_t realMethod = u16(bytes, extra + 9);
    EXPECT_EQ(realMethod, method == CompressionMethod::Bzip2 ? 12 : size >= 256 ? 8 : 0);
    EXPECT_GE(u32(bytes, 18), 16u + 2u + 10u) << "salt, verification value and authentication code";

    EXPECT_TRUE(sevenZipExtracts(archive, kPassword, source()));
    EXPECT_FALSE(sevenZipExtracts(archive, "wrong", source()));
    // libarchive decrypts stored and Deflate entries only.
    if (method == CompressionMethod::Deflate) {
        EXPECT_TRUE(bsdtarExtracts(archive, kPassword, source()));
        EXPECT_FALSE(bsdtarExtracts(archive, "wrong", source()));
    }

    if (u32(bytes, 18) > 28) {
        std::string flipped = bytes;
        flipped[extra + 11 + 18] ^= 0x01; // the first byte of the encrypted data
        test::writeFile(dir.file("flipped.zip"), flipped);
        EXPECT_NE(run("7z t -bd -p" + shellQuote(kPassword) + " " + shellQuote(dir.file("flipped.zip"))), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(MethodsThreadsAndSizes, ZipAes,
                         ::testing::Combine(::testing::Values(CompressionMethod::Deflate, CompressionMethod::Bzip2),
                                            ::testing::Values(1u, 2u),
                                            ::testing::Values(size_t{0}, size_t{1}, size_t{256}, size_t{3000000})),
                         caseName);

TEST(ZipAesPassword, AnEmptyPasswordMakesNoArchive) {
    test::TempDir dir;
    test::writeFile(dir.file(kBackupName), test::backupLikeBytes(5000, 1));
    ZipArchiveWriter writer;
    writer.setPassword("");
    writer.setArchiveFile(dir.file("200612093015.zip"));
    writer.fileSpec().push_back(dir.file(kBackupName));
    EXPECT_THROW(writer.compress(), Error);
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{kBackupName});
}

} // namespace
} // namespace tervolen
