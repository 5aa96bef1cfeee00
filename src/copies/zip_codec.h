#pragma once

#include "copies/zip_sink.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tervolen {

// One entry's compressor: input pieces go in, the entry's data goes to the sink.
// The members throw Error when the coder fails or the sink refuses the bytes.
class ZipCodec {
public:
    virtual ~ZipCodec() = default;
    virtual void compress(std::span<const char> input, ByteSink& out) = 0;
    // Ends the stream; the codec takes no input afterwards.
    virtual void finish(ByteSink& out) = 0;
    // The CRC-32 of the input so far, for codecs that work it out on their own threads; std::nullopt leaves it to
    // the caller.
    virtual std::optional<uint32_t> inputCrc() const { return std::nullopt; }
};

// Method 0: the bytes unchanged.
class StoreCodec final : public ZipCodec {
public:
    void compress(std::span<const char> input, ByteSink& out) override { out.write(input.data(), input.size()); }
    void finish(ByteSink&) override {}
};

// How new entries are compressed.
enum class CompressionMethod { Store, Deflate, Bzip2 };

// Compression method numbers of the ZIP headers.
enum ZipMethodNumber : uint16_t { kMethodStored = 0, kMethodDeflated = 8, kMethodBZip2 = 12 };

} // namespace tervolen
