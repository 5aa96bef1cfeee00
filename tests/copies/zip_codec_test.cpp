#include "copies/bzip2_codec.h"
#include "copies/deflate_codec.h"
#include "copies/zip_codec.h"

#include <bzlib.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <zlib.h>

namespace tervolen {
namespace {

std::string inflate(const std::string& packed) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
    std::string out;
    std::string buffer(1 << 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    int code = Z_OK;
    while (code == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = static_cast<uInt>(buffer.size());
        code = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer.data(), buffer.size() - stream.avail_out);
    }
    EXPECT_EQ(code, Z_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u) << "nothing after the stream";
    inflateEnd(&stream);
    return out;
}

std::string bunzip(const std::string& packed) {
    bz_stream stream{};
    EXPECT_EQ(BZ2_bzDecompressInit(&stream, 0, 0), BZ_OK);
    std::string out;
    std::string buffer(1 << 16, '\0');
    stream.next_in = const_cast<char*>(packed.data());
    stream.avail_in = static_cast<unsigned>(packed.size());
    int code = BZ_OK;
    while (code == BZ_OK) {
        stream.next_out = buffer.data();
        stream.avail_out = static_cast<unsigned>(buffer.size());
        code = BZ2_bzDecompress(&stream);
        out.append(buffer.data(), buffer.size() - stream.avail_out);
    }
    EXPECT_EQ(code, BZ_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u) << "nothing after the stream";
    BZ2_bzDecompressEnd(&stream);
    return out;
}

struct CodecCase {
    const char* label;
    std::function<std::unique_ptr<ZipCodec>()> make;
    std::function<std::string(const std::string&)> unpack;
};

const CodecCase kCodecs[] = {
    {"Store", [] { return std::make_unique<StoreCodec>(); }, [](const std::string& s) { return s; }},
    {"Deflate9", [] { return std::make_unique<DeflateCodec>(9); }, inflate},
    {"Deflate0", [] { return std::make_unique<DeflateCodec>(0); }, inflate},
    {"Bzip2", [] { return std::make_unique<BZip2Codec>(); }, bunzip},
};

std::string inputOfKind(int kind) {
    std::mt19937 random(11);
    std::string bytes;
    switch (kind) {
    case 0:
        return bytes;
    case 1:
        return "x";
    case 2:
        bytes.resize(300000);
        for (char& c : bytes)
            c = static_cast<char>(random());
        return bytes;
    default:
        while (bytes.size() < 2500000)
            bytes += "RDB$RELATION_FIELDS " + std::to_string(random() % 5000) + "\x01\x02";
        return bytes;
    }
}

class CodecRoundTrip : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(CodecRoundTrip, UnpacksToTheInput) {
    const CodecCase& codecCase = kCodecs[std::get<0>(GetParam())];
    std::string input = inputOfKind(std::get<1>(GetParam()));
    std::unique_ptr<ZipCodec> codec = codecCase.make();
    StringSink packed;
    // Pieces of uneven sizes, an empty one among them.
    size_t at = 0;
    for (size_t piece = 0; at < input.size(); piece = piece * 3 + 1) {
        size_t size = std::min(piece, input.size() - at);
        codec->compress(std::span<const char>(input.data() + at, size), packed);
        at += size;
    }
    codec->finish(packed);
    EXPECT_TRUE(codecCase.unpack(packed.bytes()) == input) << codecCase.label;
}

std::string codecCaseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
    static const char* inputs[] = {"Empty", "OneByte", "Random", "Repetitive"};
    return std::string(kCodecs[std::get<0>(info.param)].label) + inputs[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(CodecsAndInputs, CodecRoundTrip,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Range(0, 4)), codecCaseName);

TEST(Codecs, Bzip2AnnouncesNineHundredKilobyteBlocks) {
    BZip2Codec codec;
    StringSink packed;
    codec.compress(std::string_view("backup"), packed);
    codec.finish(packed);
    EXPECT_EQ(packed.bytes().substr(0, 4), "BZh9");
}

TEST(Codecs, DeflateLevelZeroWritesStoredBlocks) {
    DeflateCodec codec(0);
    StringSink packed;
    std::string input(1000, 'a');
    codec.compress(input, packed);
    codec.finish(packed);
    ASSERT_GT(packed.bytes().size(), input.size());
    EXPECT_EQ(packed.bytes()[0] & 0x06, 0) << "block type 00";
}

} // namespace
} // namespace tervolen
