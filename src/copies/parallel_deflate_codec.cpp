#include "copies/parallel_deflate_codec.h"

#include "core/errors.h"

#include <algorithm>
#include <zlib.h>

namespace tervolen {

namespace {

constexpr size_t kDictionarySize = 32 * 1024;

[[noreturn]] void fail(const char* what, int code) {
    throw Error(std::string("Deflate ") + what + " failed (zlib error " + std::to_string(code) + ").");
}

class DeflateBlockCoder final : public BlockCoder {
public:
    explicit DeflateBlockCoder(int level) {
        int code = deflateInit2(&stream_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
        if (code != Z_OK)
            fail("start", code);
    }
    DeflateBlockCoder(const DeflateBlockCoder&) = delete;
    DeflateBlockCoder& operator=(const DeflateBlockCoder&) = delete;
    ~DeflateBlockCoder() override { deflateEnd(&stream_); }

    void code(CodedBlock& block) override {
        int code = deflateReset(&stream_);
        if (code == Z_OK && !block.dictionary.empty())
            code = deflateSetDictionary(&stream_, reinterpret_cast<const Bytef*>(block.dictionary.data()),
                                        static_cast<uInt>(block.dictionary.size()));
        if (code != Z_OK)
            fail("compression", code);
        stream_.next_in = reinterpret_cast<Bytef*>(block.input.data());
        stream_.avail_in = static_cast<uInt>(block.input.size());
        const int flush = block.last ? Z_FINISH : Z_SYNC_FLUSH;
        block.output.resize(deflateBound(&stream_, stream_.avail_in) + 16);
        size_t produced = 0;
        for (;;) {
            stream_.next_out = reinterpret_cast<Bytef*>(block.output.data() + produced);
            stream_.avail_out = static_cast<uInt>(block.output.size() - produced);
            code = deflate(&stream_, flush);
            if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR)
                fail("compression", code);
            produced = block.output.size() - stream_.avail_out;
            if (code == Z_STREAM_END || (!block.last && stream_.avail_in == 0 && stream_.avail_out != 0))
                break;
            block.output.resize(block.output.size() * 2);
        }
        block.output.resize(produced);
        block.inputCrc =
            static_cast<uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(block.input.data()), block.input.size()));
    }

private:
    z_stream stream_{};
};

std::vector<std::unique_ptr<BlockCoder>> deflateCoders(int level, unsigned threads) {
    std::vector<std::unique_ptr<BlockCoder>> coders;
    for (unsigned i = 0; i < threads; ++i)
        coders.push_back(std::make_unique<DeflateBlockCoder>(level));
    return coders;
}

} // namespace

ParallelDeflateCodec::ParallelDeflateCodec(int level, unsigned threads)
    : workers_(deflateCoders(level, threads)), crc_(static_cast<uint32_t>(crc32_z(0, nullptr, 0))) {}

void ParallelDeflateCodec::compress(std::span<const char> input, ByteSink& out) {
    block_.append(input.data(), input.size());
    // A full block waits for more input: only then is it known not to be the last.
    while (block_.size() > kBlockSize)
        submit(kBlockSize, false, out);
}

void ParallelDeflateCodec::finish(ByteSink& out) {
    submit(block_.size(), true, out);
    workers_.drain([&](CodedBlock& block) { emit(block, out); });
}

void ParallelDeflateCodec::emit(const CodedBlock& block, ByteSink& out) {
    out.write(block.output);
    crc_ = static_cast<uint32_t>(crc32_combine(crc_, block.inputCrc, static_cast<z_off_t>(block.input.size())));
}

void ParallelDeflateCodec::submit(size_t size, bool last, ByteSink& out) {
    CodedBlock block;
    block.input = block_.substr(0, size);
    block_.erase(0, size);
    block.dictionary = dictionary_;
    block.last = last;
    // Every block but the last is longer than the dictionary.
    dictionary_ = block.input.substr(block.input.size() - std::min(block.input.size(), kDictionarySize));
    workers_.submit(std::move(block), [&](CodedBlock& done) { emit(done, out); });
}

} // namespace tervolen
