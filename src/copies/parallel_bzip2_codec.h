#pragma once

#include "copies/block_workers.h"
#include "copies/zip_codec.h"

#include <string>

namespace tervolen {

// Bzip2 coded on a pool of threads as one ordinary stream, byte for byte what BZip2Codec makes: the source is cut
// where libbz2 would end a 900 000-byte block, each block is coded as a stream of its own, and the blocks' bits
// are joined behind one stream header and followed by one end marker with the combined stream CRC.
class ParallelBZip2Codec final : public ZipCodec {
public:
    // threads at least 2.
    explicit ParallelBZip2Codec(unsigned threads);

    void compress(std::span<const char> input, ByteSink& out) override;
    void finish(ByteSink& out) override;
    std::optional<uint32_t> inputCrc() const override { return crc_; }

private:
    // Follows libbz2's first run-length stage over the unscanned bytes, handing on each block that fills up.
    void scan(ByteSink& out);
    void submit(size_t size, ByteSink& out);
    void emit(const CodedBlock& block, ByteSink& out);
    void putBits(uint32_t value, int count);

    OrderedBlockWorkers workers_;
    std::string block_;
    size_t scanned_ = 0;
    // The run-length stage's state: the run being counted, where it began and the block's fill so far.
    unsigned runByte_ = 256;
    unsigned runLength_ = 0;
    size_t runStart_ = 0;
    size_t blockFill_ = 0;

    std::string joined_; // whole bytes of the stream not yet written
    uint64_t bits_ = 0;
    int bitCount_ = 0; // bits in bits_ not yet in joined_, fewer than 8 between calls
    uint32_t streamCrc_ = 0;
    uint32_t crc_;
};

} // namespace tervolen
