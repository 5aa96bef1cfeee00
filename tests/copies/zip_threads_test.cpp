#include "copies/zip_archive_writer.h"
#include "core/errors.h"
#include "crash_harness.h"
#include "temp_dir.h"
#include "test_bytes.h"
#include "zip_test_readers.h"

#include <bzlib.h>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>
#include <zlib.h>

namespace tervolen {
namespace {

using test::shellQuote;

constexpr size_t kDeflateBlock = 128 * 1024;
// The run-length output of a full libbz2 block at level 9.
constexpr size_t kBzip2Block = 900000 - 19;

uint32_t u32(const std::string& bytes, size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<uint8_t>(bytes.at(at + i));
    return value;
}

// The data of the first entry, as its local header frames it.
std::string firstEntryData(const std::string& archive) {
    const size_t start = 30 + (u32(archive, 26) & 0xFFFF) + (u32(archive, 28) & 0xFFFF);
    return archive.substr(start, u32(archive, 18));
}

// Bytes without two equal neighbours: libbz2's run-length stage passes each of them through as one byte.
std::string withoutRuns(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

// A Bzip2 block that fills up inside a long run, then runs of 1 400 bytes across every 128 KiB edge.
std::string runsAcrossBlockEdges() {
    std::string bytes = withoutRuns(kBzip2Block - 11) + std::string(5000, 'Z') + test::backupLikeBytes(3 << 20, 9);
    for (size_t edge = 8 * kDeflateBlock; edge + 700 < bytes.size(); edge += kDeflateBlock)
        bytes.replace(edge - 700, 1400, 1400, static_cast<char>('a' + edge / kDeflateBlock % 26));
    return bytes;
}

enum class Source { Empty, OneByte, OneBlock, OneBlockAndOne, Incompressible, LongRuns };

std::string sourceBytes(Source source, CompressionMethod method) {
    const bool bzip2 = method == CompressionMethod::Bzip2;
    switch (source) {
    case Source::Empty:
        return {};
    case Source::OneByte:
        return "x";
    case Source::OneBlock:
        return bzip2 ? withoutRuns(kBzip2Block) : test::backupLikeBytes(kDeflateBlock, 3);
    case Source::OneBlockAndOne:
        return bzip2 ? withoutRuns(kBzip2Block + 1) : test::backupLikeBytes(kDeflateBlock + 1, 3);
    case Source::Incompressible:
        return test::randomBytes((3 << 20) + 17, 5);
    case Source::LongRuns:
        return runsAcrossBlockEdges();
    }
    return {};
}

// What one zlib stream makes of the whole source, as the writer's own coder does.
std::string oneDeflateStream(const std::string& source) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, source.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(source.data()));
    stream.avail_in = static_cast<uInt>(source.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// What one libbz2 stream makes of the whole source given to it to run and then finished, as the writer's own
// coder does: block size 9, work factor 30.
std::string oneBzip2Stream(const std::string& source) {
    bz_stream stream{};
    EXPECT_EQ(BZ2_bzCompressInit(&stream, 9, 0, 30), BZ_OK);
    std::string out(source.size() + source.size() / 100 + 600, '\0');
    stream.next_in = const_cast<char*>(source.data());
    stream.avail_in = static_cast<unsigned>(source.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<unsigned>(out.size());
    if (!source.empty()) {
        EXPECT_EQ(BZ2_bzCompress(&stream, BZ_RUN), BZ_RUN_OK);
    }
    EXPECT_EQ(BZ2_bzCompress(&stream, BZ_FINISH), BZ_STREAM_END);
    out.resize(out.size() - stream.avail_out);
    BZ2_bzCompressEnd(&stream);
    return out;
}

using ThreadCase = std::tuple<CompressionMethod, unsigned, Source>;

std::string caseName(const ::testing::TestParamInfo<ThreadCase>& info) {
    static const char* const kSources[] = {"Empty",          "OneByte",        "OneBlock",
                                           "OneBlockAndOne", "Incompressible", "LongRuns"};
    const auto [method, threads, kind] = info.param;
    return std::string(method == CompressionMethod::Bzip2 ? "Bzip2" : "Deflate") + std::to_string(threads) + "Threads" +
           kSources[static_cast<int>(kind)];
}

class ZipThreads : public ::testing::TestWithParam<ThreadCase> {
protected:
    test::TempDir dir;
};

TEST_P(ZipThreads, EveryReaderTakesTheEntryAsOneOrdinaryStream) {
    const auto [method, threads, kind] = GetParam();
    const std::string content = sourceBytes(kind, method);
    const std::string source = dir.file("200612093015.fbk");
    test::writeFile(source, content);

    ZipArchiveWriter writer;
    writer.setCompressMethod(method);
    writer.setThreads(threads);
    writer.setArchiveFile(dir.file("200612093015.zip"));
    writer.fileSpec().push_back(source);
    ASSERT_EQ(writer.compress(), 1);
    test::expectReadersAccept(dir.file("200612093015.zip"), {{"200612093015.fbk", source}});

    const std::string data = firstEntryData(test::readFile(dir.file("200612093015.zip")));
    if (method == CompressionMethod::Bzip2) {
        // The blocks coded apart are joined into exactly the stream that one coder makes.
        EXPECT_TRUE(data == oneBzip2Stream(content)) << "the Bzip2 stream differs from libbz2's own";
        test::writeFile(dir.file("entry.bz2"), data);
        std::string output;
        EXPECT_EQ(test::runCommand("bzip2 -t " + shellQuote(dir.file("entry.bz2")), &output), 0) << output;
        EXPECT_EQ(
            test::runCommand("bzip2 -dc " + shellQuote(dir.file("entry.bz2")) + " | cmp -s - " + shellQuote(source)),
            0);
    } else if (threads == 1 && content.size() > 256) {
        EXPECT_TRUE(data == oneDeflateStream(content)) << "one thread must write what the writer always wrote";
    }
}

INSTANTIATE_TEST_SUITE_P(MethodsThreadsAndSources, ZipThreads,
                         ::testing::Combine(::testing::Values(CompressionMethod::Deflate, CompressionMethod::Bzip2),
                                            ::testing::Values(1u, 2u, 4u),
                                            ::testing::Values(Source::Empty, Source::OneByte, Source::OneBlock,
                                                              Source::OneBlockAndOne, Source::Incompressible,
                                                              Source::LongRuns)),
                         caseName);

class ZipThreadsReadError : public ::testing::TestWithParam<CompressionMethod> {
protected:
    test::TempDir dir;
};

// A read that fails in the middle of the source stops every thread and leaves no archive and no temporary.
TEST_P(ZipThreadsReadError, FailsTheArchiveAndStopsEveryThread) {
#if !defined(__x86_64__)
    GTEST_SKIP() << "read faults are injected on x86-64 only";
#endif
    const std::string source = dir.file("200612093015.fbk");
    test::writeFile(source, test::backupLikeBytes(6 << 20, 4));
    auto operation = [&] {
        ZipArchiveWriter writer;
        writer.setCompressMethod(GetParam());
        writer.setThreads(4);
        writer.setArchiveFile(dir.file("200612093015.zip"));
        writer.fileSpec().push_back(source);
        try {
            writer.compress();
        } catch (const Error& error) {
            if (error.text().find("Input/output error") == std::string::npos)
                throw std::runtime_error("unexpected failure: " + error.text());
            if (test::threadCount() != 1)
                throw std::runtime_error("threads still run after the failure");
            return;
        }
        throw std::runtime_error("the archive was made");
    };
    // About 2.5 MiB in, when every worker holds blocks; the writer reads 128 KiB pieces for Deflate, 32 KiB for Bzip2.
    const int failingRead = GetParam() == CompressionMethod::Bzip2 ? 80 : 20;
    EXPECT_EQ(test::runWithFailingRead(operation, source, failingRead), test::RunEnd::Finished);
    EXPECT_EQ(test::listing(dir.path()), std::vector<std::string>{"200612093015.fbk"});
}

INSTANTIATE_TEST_SUITE_P(Methods, ZipThreadsReadError,
                         ::testing::Values(CompressionMethod::Deflate, CompressionMethod::Bzip2), [](const auto& info) {
                             return std::string(info.param == CompressionMethod::Bzip2 ? "Bzip2" : "Deflate");
                         });

} // namespace
} // namespace tervolen
