#pragma once

#include "copies/block_workers.h"
#include "copies/zip_codec.h"

#include <string>

namespace tervolen {

// Raw Deflate coded on a pool of threads as one ordinary stream: the source is cut into 128 KiB blocks, each coded
// with the 32 KiB before it as dictionary and ended on a byte boundary with an empty stored block, the last one
// ended as the stream's end. Window bits -15, memory level 8, default strategy, as DeflateCodec.
class ParallelDeflateCodec final : public ZipCodec {
public:
    static constexpr size_t kBlockSize = 128 * 1024;

    // level 0 to 9; threads at least 2. Throws Error when zlib cannot start.
    ParallelDeflateCodec(int level, unsigned threads);

    void compress(std::span<const char> input, ByteSink& out) override;
    void finish(ByteSink& out) override;
    std::optional<uint32_t> inputCrc() const override { return crc_; }

private:
    void submit(size_t size, bool last, ByteSink& out);
    void emit(const CodedBlock& block, ByteSink& out);

    OrderedBlockWorkers workers_;
    std::string block_;
    std::string dictionary_;
    uint32_t crc_;
};

} // namespace tervolen
