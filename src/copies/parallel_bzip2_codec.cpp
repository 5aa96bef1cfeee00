#include "copies/parallel_bzip2_codec.h"

#include "core/errors.h"

#include <bzlib.h>
#include <zlib.h>

namespace tervolen {

namespace {

constexpr int kBlockSize100k = 9;
// libbz2 ends a block once this many bytes of run-length output are in it.
constexpr size_t kBlockLimit = 100000 * kBlockSize100k - 19;
constexpr uint64_t kBlockMagic = 0x314159265359;
constexpr uint64_t kEndMagic = 0x177245385090;
constexpr size_t kHeaderSize = 4; // "BZh9"

[[noreturn]] void fail(const char* what, int code) {
    throw Error(std::string("Bzip2 ") + what + " failed (libbz2 error " + std::to_string(code) + ").");
}

uint64_t bitsAt(const std::string& bytes, uint64_t bit, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i, ++bit)
        value = value << 1 | ((static_cast<uint8_t>(bytes[bit / 8]) >> (7 - bit % 8)) & 1);
    return value;
}

// Codes one block as a whole stream and keeps the block's bits: from behind the stream header to the end marker.
class BZip2BlockCoder final : public BlockCoder {
public:
    void code(CodedBlock& block) override {
        bz_stream stream{};
        int code = BZ2_bzCompressInit(&stream, kBlockSize100k, 0, 30);
        if (code != BZ_OK)
            fail("start", code);
        std::string coded(block.input.size() + block.input.size() / 100 + 600, '\0');
        stream.next_in = block.input.data();
        stream.avail_in = static_cast<unsigned>(block.input.size());
        stream.next_out = coded.data();
        stream.avail_out = static_cast<unsigned>(coded.size());
        code = BZ2_bzCompress(&stream, BZ_FINISH);
        size_t produced = coded.size() - stream.avail_out;
        BZ2_bzCompressEnd(&stream);
        if (code != BZ_STREAM_END)
            fail("compression", code);
        coded.resize(produced);
        keepBlockBits(block, coded);
        block.inputCrc =
            static_cast<uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(block.input.data()), block.input.size()));
    }

private:
    static void keepBlockBits(CodedBlock& block, std::string& coded) {
        const uint64_t total = uint64_t{8} * coded.size();
        if (coded.size() < kHeaderSize + 10 + 10 || bitsAt(coded, 8 * kHeaderSize, 48) != kBlockMagic)
            throw Error("Bzip2 compression made an unexpected stream.");
        block.blockCrc = static_cast<uint32_t>(bitsAt(coded, 8 * kHeaderSize + 48, 32));
        // The stream CRC of a stream of one block is that block's CRC; the padding after it is zero.
        for (int padding = 0; padding < 8; ++padding) {
            uint64_t end = total - padding - 80;
            if (bitsAt(coded, end, 48) == kEndMagic && bitsAt(coded, end + 48, 32) == block.blockCrc &&
                bitsAt(coded, total - padding, padding) == 0) {
                block.outputBits = end - 8 * kHeaderSize;
                block.output = coded.substr(kHeaderSize);
                return;
            }
        }
        throw Error("Bzip2 compression made an unexpected stream.");
    }
};

std::vector<std::unique_ptr<BlockCoder>> bzip2Coders(unsigned threads) {
    std::vector<std::unique_ptr<BlockCoder>> coders;
    for (unsigned i = 0; i < threads; ++i)
        coders.push_back(std::make_unique<BZip2BlockCoder>());
    return coders;
}

size_t runSize(unsigned length) {
    return length <= 3 ? length : 5;
}

} // namespace

ParallelBZip2Codec::ParallelBZip2Codec(unsigned threads)
    : workers_(bzip2Coders(threads)), joined_("BZh" + std::to_string(kBlockSize100k)),
      crc_(static_cast<uint32_t>(crc32_z(0, nullptr, 0))) {}

void ParallelBZip2Codec::compress(std::span<const char> input, ByteSink& out) {
    block_.append(input.data(), input.size());
    scan(out);
}

void ParallelBZip2Codec::finish(ByteSink& out) {
    // A block that filled up with the last byte ends there too; the run after it makes a block of its own.
    if (blockFill_ >= kBlockLimit)
        submit(runStart_, out);
    if (!block_.empty())
        submit(block_.size(), out);
    workers_.drain([&](CodedBlock& block) { emit(block, out); });
    putBits(static_cast<uint32_t>(kEndMagic >> 24), 24);
    putBits(static_cast<uint32_t>(kEndMagic & 0xFFFFFF), 24);
    putBits(streamCrc_, 32);
    if (bitCount_ > 0)
        putBits(0, 8 - bitCount_);
    out.write(joined_);
    joined_.clear();
}

void ParallelBZip2Codec::scan(ByteSink& out) {
    while (scanned_ < block_.size()) {
        if (blockFill_ >= kBlockLimit) {
            // libbz2 ends the block before the run it is counting; that run opens the next block.
            submit(runStart_, out);
            continue;
        }
        const unsigned byte = static_cast<uint8_t>(block_[scanned_]);
        if (byte != runByte_ && runLength_ == 1) {
            ++blockFill_;
            runByte_ = byte;
            runStart_ = scanned_;
        } else if (byte != runByte_ || runLength_ == 255) {
            if (runByte_ < 256)
                blockFill_ += runSize(runLength_);
            runByte_ = byte;
            runLength_ = 1;
            runStart_ = scanned_;
        } else {
            ++runLength_;
        }
        ++scanned_;
    }
}

void ParallelBZip2Codec::submit(size_t size, ByteSink& out) {
    CodedBlock block;
    block.input = block_.substr(0, size);
    block_.erase(0, size);
    scanned_ = 0;
    runByte_ = 256;
    runLength_ = 0;
    runStart_ = 0;
    blockFill_ = 0;
    workers_.submit(std::move(block), [&](CodedBlock& done) { emit(done, out); });
}

void ParallelBZip2Codec::emit(const CodedBlock& block, ByteSink& out) {
    const uint64_t wholeBytes = block.outputBits / 8;
    for (uint64_t i = 0; i < wholeBytes; ++i)
        putBits(static_cast<uint8_t>(block.output[i]), 8);
    const int rest = static_cast<int>(block.outputBits % 8);
    if (rest > 0)
        putBits(static_cast<uint8_t>(block.output[wholeBytes]) >> (8 - rest), rest);
    streamCrc_ = (streamCrc_ << 1 | streamCrc_ >> 31) ^ block.blockCrc;
    crc_ = static_cast<uint32_t>(crc32_combine(crc_, block.inputCrc, static_cast<z_off_t>(block.input.size())));
    out.write(joined_);
    joined_.clear();
}

void ParallelBZip2Codec::putBits(uint32_t value, int count) {
    bits_ = bits_ << count | value;
    bitCount_ += count;
    while (bitCount_ >= 8) {
        bitCount_ -= 8;
        joined_.push_back(static_cast<char>(bits_ >> bitCount_));
    }
    bits_ &= (uint64_t{1} << bitCount_) - 1;
}

} // namespace tervolen
